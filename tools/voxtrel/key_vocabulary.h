// The key names Voxtrel accepts, loaded from the list shipped beside the program, and the
// splitting of a key sequence into the names it uses.
#pragma once

#include <QHash>
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

    // Reads the other spellings of the names (data/key-name-aliases.txt): a listed name, "=",
    // its other spellings separated by commas; comment and empty lines as in the list.
    void LoadAliasesFromText(const QString& text);
    // The listed name that `text` means though it is none ("Right Ctrl" -> "RCtrl"): the name in
    // another letter case, with blanks or hyphens, or one of its other spellings. Empty when
    // there is none or `text` is a listed name as it stands.
    QString ListedNameFor(const QString& text) const;

  private:
    QSet<QString> names_;
    QHash<QString, QString> aliases_;  // near-miss form of another spelling -> listed name
    QString loadError_;
};

// The key names of a sequence in order: steps are separated by spaces (extra spaces are
// harmless), and the keys of one step are joined with '+'. A '+' with nothing on one side gives
// an empty name, which no vocabulary contains.
QStringList KeyNamesOfSequence(const QString& sequence);

}  // namespace voxtrel
