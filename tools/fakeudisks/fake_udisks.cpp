#include "fake_udisks.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QJsonArray>
#include <QTextStream>

namespace {

QVariant ValueOf(const QString& name, const QJsonValue& value) {
  if (name == "Device" || name == "PreferredDevice" || name == "BackingFile")
    return QVariant(value.toString().toUtf8().append('\0'));
  if (name == "Drive" || name == "Table")
    return QVariant::fromValue(QDBusObjectPath(value.toString()));
  if (name == "Number") return QVariant::fromValue(static_cast<uint>(value.toInteger()));
  if (value.isBool()) return QVariant(value.toBool());
  if (value.isDouble()) return QVariant::fromValue(static_cast<qulonglong>(value.toInteger()));
  if (value.isArray()) return QVariant(value.toVariant().toStringList());
  return QVariant(value.toString());
}

QDBusMessage Error(const QDBusMessage& message, const char* name, const QString& text) {
  return message.createErrorReply(QLatin1String(name), text);
}

}  // namespace

kova::TXUDisksObjects ObjectsOfDescription(const QJsonObject& objects) {
  kova::TXUDisksObjects result;
  for (auto object = objects.begin(); object != objects.end(); ++object) {
    kova::TXUDisksInterfaces interfaces;
    const QJsonObject described = object.value().toObject();
    for (auto interface = described.begin(); interface != described.end(); ++interface) {
      QVariantMap properties;
      const QJsonObject values = interface.value().toObject();
      for (auto property = values.begin(); property != values.end(); ++property)
        properties.insert(property.key(), ValueOf(property.key(), property.value()));
      interfaces.insert(interface.key(), properties);
    }
    result.insert(QDBusObjectPath(object.key()), interfaces);
  }
  return result;
}

TXFakeUDisks::TXFakeUDisks(const QJsonObject& description, QString logFile)
    : objects_(ObjectsOfDescription(description.value("objects").toObject())),
      rules_(description.value("open").toObject()),
      logFile_(std::move(logFile)) {}

QString TXFakeUDisks::introspect(const QString&) const {
  return {};
}

bool TXFakeUDisks::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  QDBusMessage reply;
  if (message.member() == "GetManagedObjects") {
    reply = message.createReply(QVariant::fromValue(objects_));
  } else if (message.interface() == kova::udisks::kBlock &&
             (message.member() == "OpenForBackup" || message.member() == "OpenDevice")) {
    reply = Open(message);
  } else {
    reply = Error(message, "org.freedesktop.DBus.Error.UnknownMethod", message.member());
  }
  connection.send(reply);
  return true;
}

QString TXFakeUDisks::DeviceAt(const QString& path) const {
  auto object = objects_.find(QDBusObjectPath(path));
  if (object == objects_.end()) return {};
  const QVariant device =
      object.value().value(kova::udisks::kBlock).value(QStringLiteral("Device"));
  return QString::fromStdString(kova::ByteString(device));
}

QDBusMessage TXFakeUDisks::Open(const QDBusMessage& message) {
  const QString device = DeviceAt(message.path());
  const QVariantMap options =
      qdbus_cast<QVariantMap>(message.arguments().value(message.member() == "OpenDevice" ? 1 : 0));
  const bool ask = !options.value(QStringLiteral("auth.no_user_interaction")).toBool();
  Log(message.member() + " " + device + (ask ? " ask" : " quiet"));
  const QJsonObject rule = rules_.value(device).toObject();
  const QString access = rule.value("access").toString("granted");
  const QString file = rule.value("file").toString();
  if (device.isEmpty() || access == "vanished")
    return Error(message, "org.freedesktop.DBus.Error.UnknownObject", message.path());
  if (access == "refused")
    return Error(message, "org.freedesktop.UDisks2.Error.NotAuthorized", "Not authorized");
  if (access == "noagent") {
    return Error(message, "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                 "Not authorized to perform operation");
  }
  if (access == "password" || access == "dismissed") {
    if (!ask && !authorised_.contains(device)) {
      return Error(message, "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                   "Authentication is required");
    }
    if (access == "dismissed")
      return Error(message, "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", "Dismissed");
    authorised_.insert(device);
  }
  if (access == "busy" && message.member() == "OpenForBackup") {
    return Error(message, "org.freedesktop.UDisks2.Error.Failed",
                 "Error opening device " + device + ": Device or resource busy");
  }
  return OpenFile(message, file, access == "writable");
}

QDBusMessage TXFakeUDisks::OpenFile(const QDBusMessage& message, const QString& file,
                                    bool writable) {
  const int descriptor = ::open(file.toLocal8Bit().constData(), writable ? O_RDWR : O_RDONLY);
  if (descriptor < 0)
    return Error(message, "org.freedesktop.UDisks2.Error.Failed", "Error opening " + file);
  QDBusMessage reply =
      message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(descriptor)));
  ::close(descriptor);
  return reply;
}

void TXFakeUDisks::Log(const QString& line) const {
  QFile log(logFile_);
  if (!log.open(QIODevice::Append | QIODevice::Text)) return;
  QTextStream(&log) << line << "\n";
}
