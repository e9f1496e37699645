#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QJsonDocument>
#include <cstdio>

#include "fake_udisks.h"

// fake-udisks2 ADDRESS DESCRIPTION.json LOG: serves the objects of the description as
// org.freedesktop.UDisks2 on the bus at ADDRESS and prints "ready" once the name is taken.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: fake-udisks2 ADDRESS DESCRIPTION.json LOG\n");
    return 1;
  }
  QFile file(QString::fromLocal8Bit(argv[2]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "fake-udisks2: cannot read %s\n", argv[2]);
    return 1;
  }
  kova::RegisterUDisksTypes();
  const QJsonObject description = QJsonDocument::fromJson(file.readAll()).object();
  QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "fake");
  TXFakeUDisks service(description, QString::fromLocal8Bit(argv[3]));
  if (!bus.registerVirtualObject(kova::udisks::kRootPath, &service, QDBusConnection::SubPath) ||
      !bus.registerService(kova::udisks::kService)) {
    std::fprintf(stderr, "fake-udisks2: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return application.exec();
}
