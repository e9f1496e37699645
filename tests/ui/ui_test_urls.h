#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

namespace kova::test {

// Catches what the program opens with the desktop (web addresses, mail links, folders) instead
// of starting a browser or a file manager, while it lives.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  OpenedUrls();
  ~OpenedUrls() override;

  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url);
};

}  // namespace kova::test
