#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/managed_object.h"

// Writers of the form fields that requests post: the locale, the screen and the version of this
// program, and fields of the caller's own. Each field is one line "name=value".
namespace kova {

struct TXScreenSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// The size of the primary screen as the "scr" and "scrr" fields report it. Unless a provider is
// set, the Qt primary screen answers (0 x 0 without a Qt application or screen).
using TXScreenSizeProvider = std::function<TXScreenSize()>;
void SetScreenSizeProvider(TXScreenSizeProvider provider);
TXScreenSize CurrentScreenSize();

class IXHTTPParamsWriter : public TXManagedObject {
 public:
  using TXManagedObject::TXManagedObject;

  virtual IXHTTPParamsWriter& Add(const std::string& name, const std::string& value) = 0;
  // "lg", "lgiso", "loc", "locp", "lociso".
  virtual IXHTTPParamsWriter& AddLocale() = 0;
  // "scr", "scrr".
  virtual IXHTTPParamsWriter& AddScreen() = 0;
  // "version".
  virtual IXHTTPParamsWriter& AddVersion() = 0;
  virtual IXHTTPParamsWriter& AddLocaleAndScreen() = 0;
  // "app", "release", "cgi".
  virtual IXHTTPParamsWriter& AddApp(const std::string& app, const std::string& release,
                                     const std::string& cgi) = 0;
  // Every field as text, one a line.
  virtual std::string Text() const = 0;
};

// The composite fields, written through Add.
class TXCustomHTTPParamsWriter : public IXHTTPParamsWriter {
 public:
  using IXHTTPParamsWriter::IXHTTPParamsWriter;

  IXHTTPParamsWriter& AddLocale() override;
  IXHTTPParamsWriter& AddScreen() override;
  IXHTTPParamsWriter& AddVersion() override;
  IXHTTPParamsWriter& AddLocaleAndScreen() override;
  IXHTTPParamsWriter& AddApp(const std::string& app, const std::string& release,
                             const std::string& cgi) override;
};

// Appends each field as a line to a list it does not own.
class TXPostParamsStringsWriter : public TXCustomHTTPParamsWriter {
 public:
  explicit TXPostParamsStringsWriter(std::vector<std::string>& lines,
                                     TXRefMode mode = TXRefMode::rmPlain)
      : TXCustomHTTPParamsWriter(mode), lines_(&lines) {}

  IXHTTPParamsWriter& Add(const std::string& name, const std::string& value) override;
  std::string Text() const override;
  const std::vector<std::string>& Lines() const { return *lines_; }

 private:
  std::vector<std::string>* lines_;
};

// Owns its list, which begins with the given text's lines.
class TXPostParamsWriter : public TXPostParamsStringsWriter {
 public:
  explicit TXPostParamsWriter(const std::string& firstText = {},
                              TXRefMode mode = TXRefMode::rmPlain);

 private:
  std::vector<std::string> owned_;
};

// The "scrr" value: the first decimal of width / height, "0" for a height of 0.
std::string AspectDigit(const TXScreenSize& size);

}  // namespace kova
