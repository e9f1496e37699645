#include "ui_test_urls.h"

#include <QDesktopServices>

namespace kova::test {

namespace {
constexpr const char* kSchemes[] = {"http", "https", "mailto", "file"};
}  // namespace

OpenedUrls::OpenedUrls() {
  for (const char* scheme : kSchemes)
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
}

OpenedUrls::~OpenedUrls() {
  for (const char* scheme : kSchemes)
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void OpenedUrls::Open(const QUrl& url) {
  urls.append(url);
}

}  // namespace kova::test
