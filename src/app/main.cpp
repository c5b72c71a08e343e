#include "app/quendaapp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return quenda::CQuendaApp().InitInstance();
}
