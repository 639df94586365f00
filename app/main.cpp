#include <QApplication>

#include "app/viewer_main.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return zelkam::runDesktopViewer(app);
}
