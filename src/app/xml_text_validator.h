// Keeps characters out of a text box that a profile, an XML 1.0 document, cannot hold.
#pragma once

#include <QValidator>

namespace wingcall::app {

// Whether XML 1.0 can hold the UTF-16 unit at `index` of `text`: not the C0 controls other than
// TAB, LF and CR, not U+FFFE or U+FFFF, and not half of a surrogate pair standing alone.
bool XmlCanHold(const QString& text, qsizetype index);

// Removes every character XML 1.0 cannot hold from what is typed or pasted, keeps the rest, and
// moves the cursor back by what it removed before it. TAB stays: the writers write it as &#9;.
class XmlTextValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

}  // namespace wingcall::app
