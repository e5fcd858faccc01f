// The program icon that all three windows show.
#pragma once

class QWidget;

namespace wingcall::app {

void ApplyProgramIcon(QWidget* window);

}  // namespace wingcall::app
