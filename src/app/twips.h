// Window geometry in twips, the unit the window definitions use: 15 twips make one logical pixel.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

namespace wingcall::app {

inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

// Places `widget` at the given left, top, width and height in twips, inside its parent's client
// area. Qt scales logical pixels for high-DPI screens.
inline void PlaceInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                        TwipsToPixels(height));
}

inline QSize SizeInTwips(int width, int height) {
    return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

}  // namespace wingcall::app
