#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariantMap>
#include <mutex>
#include <optional>
#include <string>

#include "storage/platform_device.h"

// The system's disk service, udisks2, on the D-Bus system bus: its objects (drives, block
// devices, partitions) and the read-only opening of a block device, which polkit authorises.
namespace kova {

namespace udisks {
inline constexpr const char* kService = "org.freedesktop.UDisks2";
inline constexpr const char* kRootPath = "/org/freedesktop/UDisks2";
inline constexpr const char* kBlock = "org.freedesktop.UDisks2.Block";
inline constexpr const char* kDrive = "org.freedesktop.UDisks2.Drive";
inline constexpr const char* kPartition = "org.freedesktop.UDisks2.Partition";
inline constexpr const char* kPartitionTable = "org.freedesktop.UDisks2.PartitionTable";
inline constexpr const char* kLoop = "org.freedesktop.UDisks2.Loop";
}  // namespace udisks

// The interfaces of one object with their properties.
using TXUDisksInterfaces = QMap<QString, QVariantMap>;
// Every object the service exports, by object path.
using TXUDisksObjects = QMap<QDBusObjectPath, TXUDisksInterfaces>;

// What OpenForBackup answered: a descriptor (owned by the receiver) or a refusal.
struct TXUDisksOpening {
  int Descriptor = -1;
  TXAccessRefusal Refusal = TXAccessRefusal::arNone;
  std::string Reason;
};

// A client of udisks2. Every call blocks the calling thread (any thread; no Qt event loop is
// needed) until the service answers; an authorisation dialog may keep OpenForBackup waiting as
// long as the user takes.
class TXUDisksClient {
 public:
  // The system bus, or the bus at `address` (tests start a bus of their own). The bus is
  // reached with the first call.
  explicit TXUDisksClient(std::string address = {});
  ~TXUDisksClient();
  TXUDisksClient(const TXUDisksClient&) = delete;
  TXUDisksClient& operator=(const TXUDisksClient&) = delete;

  // Every object of the service; nothing when no service answers.
  std::optional<TXUDisksObjects> Objects();
  // Opens the block device at devicePath ("/dev/sdb") read-only through the service. With
  // apNever the service must not ask the user: a device that needs a password is refused with
  // arNeedsPassword; with apAsk, that answer means that no authentication agent runs in the
  // caller's session (arNoAgent). A regular file the service does not know is no business of it
  // (arNone).
  TXUDisksOpening OpenForBackup(const std::string& devicePath, TXAccessPrompt prompt);

 private:
  QDBusConnection& Connection();

  std::mutex mutex_;
  std::string address_;
  std::optional<QDBusConnection> connection_;
};

// Makes the object types known to QtDBus (done by every client; a service calls it itself).
void RegisterUDisksTypes();

// A byte-string property ("ay", such as Device) as text, without its closing zero.
std::string ByteString(const QVariant& value);

}  // namespace kova

Q_DECLARE_METATYPE(kova::TXUDisksInterfaces)
Q_DECLARE_METATYPE(kova::TXUDisksObjects)
