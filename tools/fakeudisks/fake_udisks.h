#pragma once

#include <QDBusVirtualObject>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include "drives/udisks_client.h"

// The objects of a udisks2 service as a JSON description gives them, and the opening of block
// devices by the rules it sets, each device by one of these:
//   "granted"    opens at once;
//   "password"   refuses a caller that does not let it ask (NotAuthorizedCanObtain), and opens
//                once the caller lets it ask (the user is taken to give the password), from then
//                on without asking;
//   "noagent"    authentication would do, but no agent runs in the caller's session: polkit
//                answers NotAuthorizedCanObtain whether the caller lets it ask or not;
//   "refused"    the policy says no (NotAuthorized);
//   "dismissed"  the user closes the dialog (NotAuthorizedDismissed);
//   "busy"       the card is mounted: OpenForBackup fails, OpenDevice opens;
//   "vanished"   the device went away after it was listed (UnknownObject);
//   "writable"   hands over a descriptor open for writing, which a reader must refuse.
// Every call is written as one line to the log: "METHOD DEVICE ask|quiet".
class TXFakeUDisks final : public QDBusVirtualObject {
 public:
  TXFakeUDisks(const QJsonObject& description, QString logFile);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  QDBusMessage Open(const QDBusMessage& message);
  QDBusMessage OpenFile(const QDBusMessage& message, const QString& file, bool writable);
  QString DeviceAt(const QString& path) const;
  void Log(const QString& line) const;

  kova::TXUDisksObjects objects_;
  QJsonObject rules_;
  QString logFile_;
  QSet<QString> authorised_;
};

// A JSON description of objects as the service exports them: {"objects": {PATH: {INTERFACE:
// {PROPERTY: value}}}, "open": {DEVICE: {"file": PATH, "access": RULE}}}. Device, PreferredDevice
// and BackingFile become byte strings, Drive and Table object paths, Number a 32-bit and other
// numbers 64-bit unsigned integers, arrays string lists.
kova::TXUDisksObjects ObjectsOfDescription(const QJsonObject& objects);
