#include "online/hit_item.h"

#include "framework/text_utils.h"
#include "framework/vel_app.h"
#include "online/online_shell.h"

namespace kova {

namespace {

const std::vector<std::string>& HitTypeNames() {
  static const std::vector<std::string> names = {
      "xhtNone",    "xhtClient",  "xhtCaption",  "xhtSysMenu",  "xhtSize",        "xhtMenu",
      "xhtHScroll", "xhtVScroll", "xhtMin",      "xhtMax",      "xhtLeft",        "xhtRight",
      "xhtTop",     "xhtTopLeft", "xhtTopRight", "xhtBottom",   "xhtBottomLeft",  "xhtBottomRight",
      "xhtBorder",  "xhtObject",  "xhtClose",    "xhtHelp",     "xhtRoll",        "xhtTray",
      "xhtExe",     "xhtMail",    "xhtWeb",      "xhtDownload", "xhtCgiDownload", "xhtKeyDownload",
      "xhtCustom"};
  return names;
}

std::string MailAddress(const std::string& args) {
  return SameText(std::string_view(args).substr(0, 7), "mailto:") ? args : "mailto:" + args;
}

}  // namespace

const TXClassInfo& TXHitItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXHitItem>("TXHitItem", TXLocalizedCollectionItem::StaticClassInfo())
          .Property("Name", &TXHitItem::Name, &TXHitItem::SetName)
          .Enum("Hit", &TXHitItem::Hit, HitTypeNames())
          .Default(components::xhtNone)
          .Property("Cursor", &TXHitItem::Cursor)
          .Default(0)
          .Property("Caption", &TXHitItem::Caption)
          .Property("Command", &TXHitItem::Command)
          .Property("Args", &TXHitItem::Args)
          .Property("Hint", &TXHitItem::Hint)
          .Build();
  return info;
}

bool TXHitItem::Execute() const {
  switch (Hit) {
    case components::xhtExe:
      if (Command.empty()) return false;
      OnlineShell().Run(ExpandTextMacros(Command), ExpandTextMacros(Args), {});
      return true;
    case components::xhtMail:
      if (Args.empty()) return false;
      OnlineShell().Open(MailAddress(Args), {});
      return true;
    case components::xhtWeb:
      if (Args.empty()) return false;
      OnlineShell().Open(Args, {});
      return true;
    default:
      return false;
  }
}

}  // namespace kova
