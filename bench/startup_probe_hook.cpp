// Linked into both start-up probes: ends the process as soon as its first top-level window has
// been painted, so that the time from process start to exit is the time to a window on screen.
// It hooks in when the QApplication is constructed, so the program's own start-up runs unchanged.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <cstdlib>

namespace {

class FirstPaintWatcher : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            // Queued, so the paint itself completes before the process ends.
            QMetaObject::invokeMethod(
                qApp, [] { std::_Exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }
};

void WatchForFirstPaint() {
    qApp->installEventFilter(new FirstPaintWatcher);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstPaint)
