#include <QApplication>
#include <QScreen>

#include "apps/brumin/mainform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brumin");
  brumin::FormUnitStart();
  int status = 0;
  {
    brumin::MainForm form;
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect r = screen->availableGeometry();
      form.move(r.center() - QPoint(form.width() / 2, form.height() / 2));
    }
    form.FormCreate();
    if (!form.terminated()) status = app.exec();  // start-up stopped: the window stays until closed
  }
  brumin::FormUnitEnd();
  return status;
}
