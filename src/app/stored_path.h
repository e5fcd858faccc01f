// How the first run keeps Voxtrel's paths in Wingcall.ini so that every later start gets the same
// paths back, whatever characters the folders' names hold.
#pragma once

#include <QString>

namespace wingcall::app {

// The text to store for a path, or why no text Wingcall.ini can keep names it.
struct StorablePath {
    QString text;     // handed to the settings routines as it is
    QString problem;  // empty when `text` comes back as the path; otherwise a whole sentence
};

// The stored form of `existingPath` followed by `suffix` (plain ASCII, such as "profiles"). The
// settings routines carry text in the ANSI code page, which lacks most of the world's letters:
// - on POSIX, where a file name is bytes (UTF-8), the path's file-system name is stored byte for
//   byte, each byte handed over as the code-page character that stands for it;
// - on Windows a path the code page cannot carry is stored in its short (8.3) form, which names
//   the same file in ASCII; `existingPath` must exist for it to have one.
// A form longer than a stored value can be, with a line break, with blanks, Ctrl-Z characters or
// quotation marks at its ends (which a read takes off), or without a short name where one is
// needed, has a problem; so has, on POSIX, a path that is not there under a name that was not
// UTF-8 (Qt hands such a name over with U+FFFD for its bytes).
StorablePath StorablePathFor(const QString& existingPath, const QString& suffix = QString());

// The path a stored text names: the file-system name a first run stored, or, for a text that is
// not such a name (stored by an earlier version, in the code page), the text itself.
QString PathFromStoredText(const QString& stored);

}  // namespace wingcall::app
