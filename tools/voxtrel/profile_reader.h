// Reads a Voxtrel profile document with Qt's XML stream reader.
#pragma once

#include <QByteArray>
#include <QString>

#include "profile.h"

namespace voxtrel {

// Reads the document. The encoding comes from its declaration (profiles declare ISO-8859-1).
Profile ReadProfile(const QByteArray& document);

// Reads the file at `path`; a file that cannot be opened gives a FileUnreadable finding.
Profile ReadProfileFile(const QString& path);

}  // namespace voxtrel
