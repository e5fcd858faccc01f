// The font of the three windows, and widening a caption that this font makes too long.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>

namespace wingcall::app {

// The stored control sizes are made for the host's dialog font at 8 points.
inline void UseWindowFont(QWidget* window) {
    QFont font = window->font();
    font.setPointSize(8);
    window->setFont(font);
}

// Where a control grows when its caption does not fit its stored width.
enum class GrowFrom { Left, Centre };

// Widens `control` just enough to show its whole caption in the window's font; a control whose
// caption fits keeps its stored size. Fonts differ between hosts, so a caption that fits the
// stored width on one host may not on another.
inline void WidenToFitCaption(QWidget* control, GrowFrom growFrom) {
    // A push button's size hint includes the style's minimum button width, which says nothing
    // about its caption: measure the caption itself, with a little room on either side.
    constexpr int kButtonCaptionPadding = 12;
    auto* button = qobject_cast<QPushButton*>(control);
    const int needed =
        button ? control->fontMetrics().horizontalAdvance(QString(button->text()).remove(u'&')) +
                     kButtonCaptionPadding
               : control->sizeHint().width();
    QRect area = control->geometry();
    if (needed <= area.width()) {
        return;
    }
    const int extra = needed - area.width();
    if (growFrom == GrowFrom::Centre) {
        area.moveLeft(area.left() - extra / 2);
    }
    area.setWidth(needed);
    control->setGeometry(area);
}

}  // namespace wingcall::app
