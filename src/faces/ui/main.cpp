#include "faces/FaceDetector.h"
#include "faces/PeopleCount.h"
#include "faces/PictureMemory.h"
#include "faces/ui/FacesWindow.h"
#include "platform/CompanionListener.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace {

constexpr char Usage[] = "Usage: vellora-faces [PROGRAM_FOLDER]\n"
                         "       vellora-faces --count PHOTO...   prints \"N<TAB>path\" per photo\n";

// "N<TAB>path" per photo, the whole picture counted; 1 when a photo could not be read.
int CountPhotos(const QStringList &photos)
{
    const FaceDetector detector;
    if (!detector.Ready()) {
        std::fprintf(stderr, "vellora-faces: cannot read %s\n", FaceDetector::CascadeFile());
        return 1;
    }
    int result = 0;
    for (const QString &photo : photos) {
        const std::optional<int> people = CountPeople(photo.toStdString(), PhotoWindow(), detector);
        if (people) {
            std::printf("%d\t%s\n", *people, qPrintable(photo));
        } else {
            std::fprintf(stderr, "vellora-faces: cannot read %s\n", qPrintable(photo));
            result = 1;
        }
        std::fflush(stdout);
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    KeepPictureMemory();
    if (argc >= 2 && QByteArray(argv[1]) == "--count") {
        QCoreApplication app(argc, argv);
        const QStringList photos = app.arguments().mid(2);
        if (photos.isEmpty()) {
            std::fputs(Usage, stderr);
            return 2;
        }
        return CountPhotos(photos);
    }
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() > 1 || (!arguments.isEmpty() && arguments.first().startsWith(u'-'))) {
        std::fputs(Usage, stderr);
        return 2;
    }
    // One tool per desk: a second one would take the desk's messages from the first.
    if (CompanionListener::Answers(FacesWindow::Title())) {
        QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("人数统计程序已经在运行。"));
        return 1;
    }
    CompanionListener listener;
    if (!listener.Listen(FacesWindow::Title()))
        QMessageBox::warning(nullptr, QStringLiteral("提示"),
                             QStringLiteral("不能接收打印程序的消息：人数统计照常进行，只是收不到打印程序的通知。"));
    FacesWindow window(arguments.isEmpty() ? RememberedProgramFolder() : arguments.first());
    QObject::connect(&listener, &CompanionListener::Received, &window, [&window](const CopyDataMessage &) {
        window.DeskMessage();
    });
    window.show();
    return app.exec();
}
