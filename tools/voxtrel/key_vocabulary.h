// The key names Voxtrel accepts, loaded from the list shipped beside the program, and the
// splitting of a key sequence into the names it uses.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace voxtrel {

class KeyVocabulary {
  public:
    // Reads the list: one name a line; lines starting with '#' and empty lines are left out.
    // Returns false when the file cannot be read; LoadError() then tells why.
    bool LoadFromFile(const QString& path);
    void LoadFromText(const QString& text);

    bool IsLoaded() const { return !names_.isEmpty(); }
    // Why the last LoadFromFile failed, naming the file; empty after a successful load.
    const QString& LoadError() const { return loadError_; }
    // Names match exactly: letter case counts.
    bool Contains(const QString& name) const { return names_.contains(name); }
    qsizetype Size() const { return names_.size(); }

  private:
    QSet<QString> names_;
    QString loadError_;
};

// The key names of a sequence in order: steps are separated by spaces (extra spaces are
// harmless), and the keys of one step are joined with '+'. A '+' with nothing on one side gives
// an empty name, which no vocabulary contains.
QStringList KeyNamesOfSequence(const QString& sequence);

}  // namespace voxtrel
