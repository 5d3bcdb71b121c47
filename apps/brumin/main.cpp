#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brumin");
  QWidget form;
  form.setObjectName("MainForm");
  form.resize(1024, 700);
  form.setWindowTitle("Brumin");
  form.show();
  return app.exec();
}
