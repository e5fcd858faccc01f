// Starting another program (Voxtrel) without a shell and without waiting for it.
#pragma once

#include <QString>
#include <QStringList>

namespace wingcall::app {

struct StartResult {
    bool started = false;
    QString reason;  // why the program could not be started, in words for the user
};

class ProgramStarter {
  public:
    virtual ~ProgramStarter() = default;
    // Starts `executable` with `arguments`, each handed over as it is (no shell, no quoting).
    virtual StartResult start(const QString& executable, const QStringList& arguments) = 0;
};

}  // namespace wingcall::app
