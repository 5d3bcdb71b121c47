#include <QApplication>
#include <QScreen>

#include "apps/vadrel/mainform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vadrel");
  vadrel::FormUnitStart();
  vadrel::MainForm form;
  // Centred on the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = screen->availableGeometry();
    form.move(r.center() - QPoint(form.width() / 2, form.height() / 2));
  }
  form.FormCreate();
  if (!form.terminated()) return app.exec();  // start-up stopped: the window stays until closed
  return 0;
}
