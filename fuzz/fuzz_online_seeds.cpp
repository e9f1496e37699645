// Writes the seeds of the targets over the user-interface and online readers into
// OUT/<target>/: RTF documents with every construct the reader knows, and news answers (a news
// collection's tagged text and one item's binary form, each behind the byte that picks it).
//   fuzz_online_seeds OUT
#include <QBuffer>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "online/toc_filers.h"
#include "online/toc_items.h"
#include "persistence/localized_objects.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

constexpr const char* kRtfSeeds[][2] = {
    {"styles.rtf",
     "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset238 Tahoma;}}"
     "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
     "{\\stylesheet{\\s1 Heading;}}{\\info{\\title Help}}"
     "\\pard\\qc\\sb120\\sa60\\li360\\ri120\\fi-180\\f0\\fs28\\b Title\\b0\\par"
     "\\pard\\ql Plain \\i italic\\i0 , \\ul under\\ulnone , \\strike gone\\strike0 , "
     "\\cf1 red\\cf0 , \\highlight2 marked\\highlight0 , x\\super 2\\nosupersub  and "
     "H\\sub 2\\nosupersub O.\\tab Tab\\line new line\\par}"},
    {"characters.rtf",
     "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fcharset204 Times;}}\\f0 caf\\'e9 "
     "\\u8364? \\uc2\\u8211\\'96\\'96 \\~ \\- \\_ \\{braces\\} \\\\ \\emdash\\endash\\bullet"
     "\\lquote\\rquote\\ldblquote\\rdblquote\\par}"},
    {"links.rtf",
     "{\\rtf1\\ansi{\\field{\\*\\fldinst{HYPERLINK \"http://www.example.com/\"}}"
     "{\\fldrslt{\\ul\\cf1 the site}}} and {\\*\\unknown skipped} "
     "{\\pict\\pngblip 89504e47}{\\header head}\\par"
     "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-200\\li400 item one\\par"
     "{\\pntext\\'b7\\tab}item two\\par\\pard}"},
    {"unclosed.rtf", "  {\\rtf1{{{\\b open groups \\'4"},
    {"plain.txt", "Plain text\r\nwith two lines and an umlaut: \xc3\xa4"},
};

void WriteRtfSeeds(const fs::path& out) {
  for (const auto& [name, text] : kRtfSeeds)
    Write(out / "rtf" / name, text);
}

std::string PngBytes() {
  QImage image(8, 6, QImage::Format_ARGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

TXTocItem& AddItem(TXTocCollection& items, const std::string& name, const std::string& caption) {
  TXTocItem& item = *items.Add();
  item.SetDisplayName(name);
  item.TocDate = 45000;
  item.GroupName = "Tips";
  item.Caption().SetText(kDefaultLgID, caption);
  item.Caption().SetText(0x07, "Auf Deutsch");
  item.Rtf().SetText(kDefaultLgID, "{\\rtf1\\ansi\\fs18 Save \\b 20%\\b0 now.}");
  return item;
}

void WriteTocSeeds(const fs::path& out) {
  TXTocCollection items;
  TXTocItem& offer = AddItem(items, "offer <1>", "An offer");
  const std::string png = PngBytes();
  TXMemoryStream picture(std::vector<uint8_t>(png.begin(), png.end()));
  offer.Data().LoadFromStream("TPngImage", picture);
  offer.ImageAction = "shop";
  TXTocActionItem& shop = *offer.Actions().Add();
  shop.SetName("shop");
  shop.Captions().SetText(kDefaultLgID, "Visit the shop");
  shop.Arguments().SetText(kDefaultLgID, "http://shop.example/");
  TXTocActionItem& box = *offer.Actions().Add();
  box.SetName("remind");
  box.ControlType = TXTocActionItem::kCheckBox;
  AddItem(items, "plain", "Plain");

  TXTocItemTagFiler filer;
  filer.SetObject(&items);
  std::string text;
  if (filer.SaveToString(text)) Write(out / "toc_filer" / "collection.txt", "0" + text);
  std::string binary;
  if (TXTocItemFiler::SaveItem(offer, binary)) Write(out / "toc_filer" / "item.bin", "1" + binary);
}

}  // namespace
}  // namespace kova

int main(int argc, char** argv) {
  using namespace kova;
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_online_seeds OUT\n");
    return 2;
  }
  WriteRtfSeeds(argv[1]);
  WriteTocSeeds(argv[1]);
  return 0;
}
