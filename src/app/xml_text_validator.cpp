// The characters a profile cannot hold, removed from a text box's input as it arrives.
#include "app/xml_text_validator.h"

#include "text/xml_characters.h"

namespace wingcall::app {

bool XmlCanHold(const QString& text, qsizetype index) {
    const char16_t unit = text[index].unicode();
    // A surrogate pair stands for a character above U+FFFF, all of which XML holds; half of one
    // alone is no character. Every other unit is a character of its own, judged by the writers'
    // rule.
    if (QChar::isHighSurrogate(unit)) {
        return index + 1 < text.size() && text[index + 1].isLowSurrogate();
    }
    if (QChar::isLowSurrogate(unit)) {
        return index > 0 && text[index - 1].isHighSurrogate();
    }
    return IsXmlCharacter(unit);
}

QValidator::State XmlTextValidator::validate(QString& input, int& position) const {
    qsizetype first = 0;
    while (first < input.size() && XmlCanHold(input, first)) {
        ++first;
    }
    if (first == input.size()) {
        return Acceptable;
    }
    // Decided on the text as it came in, so that removing a lone half never pairs up its
    // neighbours into a character nobody typed.
    QString kept = input.left(first);
    int keptBeforeCursor = position;
    for (qsizetype i = first; i < input.size(); ++i) {
        if (XmlCanHold(input, i)) {
            kept += input[i];
        } else if (i < position) {
            --keptBeforeCursor;
        }
    }
    input = kept;
    position = keptBeforeCursor;
    return Acceptable;
}

}  // namespace wingcall::app
