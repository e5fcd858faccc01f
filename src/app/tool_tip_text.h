// Tooltips of Wingcall's own, broken into lines a reader takes in at a glance.
#pragma once

#include <QString>

namespace wingcall::app {

// The width, in characters, at which WrappedToolTip breaks lines.
inline constexpr int kToolTipLineLength = 60;

// `text` with each of its lines broken at blanks so that none is longer than kToolTipLineLength,
// except a single word that is longer by itself. Line breaks already in `text` stay.
QString WrappedToolTip(const QString& text);

}  // namespace wingcall::app
