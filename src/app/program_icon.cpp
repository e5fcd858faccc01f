// Loads the program icon (a hand-held microphone with its cable beside musical notes) from the
// resources built into the program: the scalable drawing and the two 32x32 variants.
#include "app/program_icon.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
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

}  // namespace

void ApplyProgramIcon(QWidget* window) {
    if (!ProgramIcon().isNull()) {
        window->setWindowIcon(ProgramIcon());
    }
}

}  // namespace wingcall::app
