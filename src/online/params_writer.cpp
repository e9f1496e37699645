#include "online/params_writer.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <mutex>

#include "framework/framework_objects.h"
#include "framework/text_utils.h"
#include "framework/vel_app.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "persistence/locale_info.h"

namespace kova {

namespace {

std::mutex providerMutex;
TXScreenSizeProvider screenProvider;

TXScreenSize QtScreenSize() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->size().width(), screen->size().height()};
}

}  // namespace

void SetScreenSizeProvider(TXScreenSizeProvider provider) {
  std::lock_guard lock(providerMutex);
  screenProvider = std::move(provider);
}

TXScreenSize CurrentScreenSize() {
  TXScreenSizeProvider provider;
  {
    std::lock_guard lock(providerMutex);
    provider = screenProvider;
  }
  return provider ? provider() : QtScreenSize();
}

std::string AspectDigit(const TXScreenSize& size) {
  if (size.Height == 0) return "0";
  const double ratio = static_cast<double>(size.Width) / size.Height;
  const double fraction = ratio - std::trunc(ratio);
  return std::to_string(static_cast<int>(std::trunc(fraction * 10)));
}

IXHTTPParamsWriter& TXCustomHTTPParamsWriter::AddLocale() {
  const TXVelLocale& locale = VelLocale();
  Add("lg", Lg().LanguageIDText());
  Add("lgiso", Lg().Word(lg::kIsoName));
  Add("loc", locale.UserLgIDText());
  Add("locp", locale.UserPrimaryLgIDText());
  return Add("lociso", locale.UserIsoName());
}

IXHTTPParamsWriter& TXCustomHTTPParamsWriter::AddScreen() {
  const TXScreenSize size = CurrentScreenSize();
  Add("scr", std::to_string(size.Width) + "x" + std::to_string(size.Height));
  return Add("scrr", AspectDigit(size));
}

IXHTTPParamsWriter& TXCustomHTTPParamsWriter::AddVersion() {
  return Add("version", VelApp().GetVersion());
}

IXHTTPParamsWriter& TXCustomHTTPParamsWriter::AddLocaleAndScreen() {
  AddLocale();
  return AddScreen();
}

IXHTTPParamsWriter& TXCustomHTTPParamsWriter::AddApp(const std::string& app,
                                                     const std::string& release,
                                                     const std::string& cgi) {
  Add("app", app);
  Add("release", release);
  return Add("cgi", cgi);
}

IXHTTPParamsWriter& TXPostParamsStringsWriter::Add(const std::string& name,
                                                   const std::string& value) {
  lines_->push_back(name + "=" + value);
  return *this;
}

std::string TXPostParamsStringsWriter::Text() const {
  std::string text;
  for (const std::string& line : *lines_)
    text += line + "\r\n";
  return text;
}

TXPostParamsWriter::TXPostParamsWriter(const std::string& firstText, TXRefMode mode)
    : TXPostParamsStringsWriter(owned_, mode), owned_(SplitLines(firstText)) {}

}  // namespace kova
