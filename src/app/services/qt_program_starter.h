// Starts programs for the real program with QProcess, detached.
#pragma once

#include "app/services/program_starter.h"

namespace wingcall::app {

class QtProgramStarter final : public ProgramStarter {
  public:
    StartResult start(const QString& executable, const QStringList& arguments) override;
};

}  // namespace wingcall::app
