// Loads the program icon (a hand-held microphone with its cable beside musical notes) from the
// resources built into the program: the scalable drawing and the two 32x32 variants.
#include "app/program_icon.h"

#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#ifdef WINGCALL_HAS_ICON_RESOURCES
// The icon resources (resources/wingcall.qrc) live in a static library, so they are registered
// explicitly, outside any namespace.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(wingcall);
}
#else
static void RegisterIconResources() {}
#endif

namespace wingcall::app {
namespace {

const QIcon& ProgramIcon() {
    static const QIcon icon = [] {
        RegisterIconResources();
        QIcon loaded;
        for (const char* file :
             {":/icons/wingcall-32-16colour.xpm", ":/icons/wingcall-32-2colour.xpm"}) {
            const QString path = QString::fromLatin1(file);
            if (QFile::exists(path)) {
                loaded.addFile(path, QSize(32, 32));
            }
        }
        // The scalable drawing needs Qt's svg image plugin, which not every installation has.
        const QString scalable = QStringLiteral(":/icons/wingcall.svg");
        if (QImageReader::supportedImageFormats().contains("svg") && QFile::exists(scalable)) {
            loaded.addFile(scalable);
        }
        return loaded;
    }();
    return icon;
}

void SetProgramIcon(QWidget* window) {
    if (!ProgramIcon().isNull()) {
        window->setWindowIcon(ProgramIcon());
    }
}

// Loading the icon is a quarter of start-up: any image read makes Qt load every image-format
// plugin installed (and the libraries behind them). So the first window shows without it and
// takes it as soon as it has been painted once; windows made later get it at once.
class IconAfterFirstPaint : public QObject {
  public:
    explicit IconAfterFirstPaint(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint) {
            window_->removeEventFilter(this);
            // Queued, so that the paint completes first.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    SetProgramIcon(window_);
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    QWidget* window_;
};

// Whether a window has asked for the icon before: only the first one waits for its paint.
bool iconAsked = false;

}  // namespace

void ApplyProgramIcon(QWidget* window) {
    if (iconAsked) {
        SetProgramIcon(window);
        return;
    }
    iconAsked = true;
    new IconAfterFirstPaint(window);
}

}  // namespace wingcall::app
