#include "drives/udisks_client.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <atomic>
#include <filesystem>
#include <limits>
#include <mutex>

namespace kova {

namespace {

constexpr int kQueryTimeoutMs = 20000;
// An authorisation dialog waits for the user as long as it takes.
constexpr int kNoTimeout = std::numeric_limits<int>::max();

QString NewConnectionName() {
  static std::atomic<int> count{0};
  return QStringLiteral("kova-udisks-%1").arg(++count);
}

QDBusConnection Connect(const std::string& address, const QString& name) {
  RegisterUDisksTypes();
  if (address.empty()) return QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
  return QDBusConnection::connectToBus(QString::fromStdString(address), name);
}

TXAccessRefusal RefusalOf(const QString& error) {
  const std::pair<const char*, TXAccessRefusal> kErrors[] = {
      {"org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain", TXAccessRefusal::arNeedsPassword},
      {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", TXAccessRefusal::arDismissed},
      {"org.freedesktop.UDisks2.Error.NotAuthorized", TXAccessRefusal::arNotAuthorized},
      {"org.freedesktop.DBus.Error.ServiceUnknown", TXAccessRefusal::arNoService},
      {"org.freedesktop.DBus.Error.NameHasNoOwner", TXAccessRefusal::arNoService},
      {"org.freedesktop.DBus.Error.NoReply", TXAccessRefusal::arNoService},
      {"org.freedesktop.DBus.Error.Disconnected", TXAccessRefusal::arNoService},
      {"org.freedesktop.DBus.Error.UnknownObject", TXAccessRefusal::arUnknownDevice},
      {"org.freedesktop.DBus.Error.UnknownMethod", TXAccessRefusal::arUnknownDevice}};
  for (const auto& [name, refusal] : kErrors) {
    if (error == QLatin1String(name)) return refusal;
  }
  return TXAccessRefusal::arFailed;
}

// The path as udev names the device: symbolic links such as /dev/disk/by-id/... resolved.
std::string CanonicalDevice(const std::string& path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::canonical(path, error);
  return error ? path : canonical.string();
}

std::optional<QDBusObjectPath> BlockObjectOf(const TXUDisksObjects& objects,
                                             const std::string& devicePath) {
  const std::string wanted = CanonicalDevice(devicePath);
  for (auto object = objects.begin(); object != objects.end(); ++object) {
    auto block = object.value().find(QLatin1String(udisks::kBlock));
    if (block == object.value().end()) continue;
    const std::string device = ByteString(block.value().value(QStringLiteral("Device")));
    if (device == wanted || device == devicePath) return object.key();
  }
  return std::nullopt;
}

TXUDisksOpening OpeningOf(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return {-1, RefusalOf(reply.errorName()), reply.errorMessage().toStdString()};
  }
  const auto descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().first());
  const int copy =
      descriptor.isValid() ? ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
  if (copy < 0) return {-1, TXAccessRefusal::arFailed, "no descriptor came with the answer"};
  if ((::fcntl(copy, F_GETFL) & O_ACCMODE) != O_RDONLY) {
    ::close(copy);
    return {-1, TXAccessRefusal::arFailed, "the descriptor handed over was open for writing"};
  }
  return {copy, TXAccessRefusal::arNone, {}};
}

// polkit answers "authentication could obtain it" (a challenge) also when the caller let it ask
// but no authentication agent is registered for the session: no password prompt can appear.
TXUDisksOpening WithoutAgentTold(TXUDisksOpening opening, bool asked) {
  if (asked && opening.Refusal == TXAccessRefusal::arNeedsPassword)
    opening.Refusal = TXAccessRefusal::arNoAgent;
  return opening;
}

}  // namespace

void RegisterUDisksTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    qDBusRegisterMetaType<TXUDisksInterfaces>();
    qDBusRegisterMetaType<TXUDisksObjects>();
  });
}

std::string ByteString(const QVariant& value) {
  QByteArray bytes = value.toByteArray();
  while (!bytes.isEmpty() && bytes.back() == '\0')
    bytes.chop(1);
  return bytes.toStdString();
}

TXUDisksClient::TXUDisksClient(std::string address) : address_(std::move(address)) {}

TXUDisksClient::~TXUDisksClient() {
  if (connection_) QDBusConnection::disconnectFromBus(connection_->name());
}

QDBusConnection& TXUDisksClient::Connection() {
  std::lock_guard lock(mutex_);
  if (!connection_) connection_ = Connect(address_, NewConnectionName());
  return *connection_;
}

std::optional<TXUDisksObjects> TXUDisksClient::Objects() {
  QDBusConnection& connection = Connection();
  if (!connection.isConnected()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QLatin1String(udisks::kService), QLatin1String(udisks::kRootPath),
      QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
  QDBusMessage reply = connection.call(call, QDBus::Block, kQueryTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return std::nullopt;
  return qdbus_cast<TXUDisksObjects>(reply.arguments().first());
}

TXUDisksOpening TXUDisksClient::OpenForBackup(const std::string& devicePath,
                                              TXAccessPrompt prompt) {
  std::optional<TXUDisksObjects> objects = Objects();
  if (!objects) return {-1, TXAccessRefusal::arNoService, "udisks2 does not answer"};
  std::optional<QDBusObjectPath> block = BlockObjectOf(*objects, devicePath);
  std::error_code error;
  if (!block && std::filesystem::is_regular_file(devicePath, error))
    return {-1, TXAccessRefusal::arNone, devicePath + " is a file, not a device"};
  if (!block)
    return {-1, TXAccessRefusal::arUnknownDevice, devicePath + " is not known to udisks2"};
  const bool ask = prompt == TXAccessPrompt::apAsk;
  QVariantMap options{{QStringLiteral("auth.no_user_interaction"), !ask}};
  auto call = [&](const char* method, const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QLatin1String(udisks::kService), block->path(),
                                       QLatin1String(udisks::kBlock), QLatin1String(method));
    message.setArguments(arguments);
    message.setInteractiveAuthorizationAllowed(ask);
    return OpeningOf(Connection().call(message, QDBus::Block, ask ? kNoTimeout : kQueryTimeoutMs));
  };
  TXUDisksOpening opening = WithoutAgentTold(call("OpenForBackup", {options}), ask);
  if (opening.Refusal != TXAccessRefusal::arFailed) return opening;
  // OpenForBackup wants the device to itself and fails while the desktop has the card
  // mounted; OpenDevice reads it all the same, under the same authorisation.
  TXUDisksOpening shared =
      WithoutAgentTold(call("OpenDevice", {QStringLiteral("r"), options}), ask);
  return shared.Refusal == TXAccessRefusal::arUnknownDevice ? opening : shared;
}

}  // namespace kova
