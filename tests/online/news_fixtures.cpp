#include "news_fixtures.h"

#include <QBuffer>
#include <QDate>
#include <QImage>

#include "online/net_coding.h"
#include "online/server_list.h"
#include "online/toc_filers.h"
#include "persistence/localized_objects.h"
#include "persistence/xml_filer_objects.h"

namespace kova::test {

std::vector<uint8_t> PngBytes(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return {bytes.begin(), bytes.end()};
}

TXTocItem& AddNewsItem(TXTocCollection& items, const std::string& name, double date,
                       const std::string& group, const std::string& caption,
                       const std::string& body) {
  TXTocItem& item = *items.Add();
  item.SetDisplayName(name);
  item.TocDate = date;
  item.GroupName = group;
  item.Caption().SetText(kDefaultLgID, caption);
  if (!body.empty()) item.Rtf().SetText(kDefaultLgID, "{\\rtf1\\ansi\\fs18 " + body + "}");
  return item;
}

TXTocActionItem& AddAction(TXTocItem& item, const std::string& name, components::TXHitType hit,
                           const std::string& caption, const std::string& argument) {
  TXTocActionItem& action = *item.Actions().Add();
  action.SetName(name);
  action.Hit = hit;
  action.Captions().SetText(kDefaultLgID, caption);
  if (!argument.empty()) action.Arguments().SetText(kDefaultLgID, argument);
  return action;
}

std::string NewsAnswer(TXTocCollection& items, int format) {
  TXTocItemTagFiler filer;
  filer.SetObject(&items);
  std::string data;
  if (!filer.SaveToString(data)) return {};
  if (format == 1) data = EncodeNetText(data);
  return "<cgi_status><code>1</code><format>" + std::to_string(format) +
         "</format></cgi_status>\r\n<cgi_data>" + data + "</cgi_data>\r\n";
}

std::string ServerListAnswer(const std::vector<std::string>& domains) {
  TXServerCollection servers;
  for (const std::string& domain : domains)
    servers.AddDomain(domain);
  return "<cgi_status><code>1</code><format>0</format></cgi_status><cgi_data>" +
         ObjectToXml(servers) + "</cgi_data>";
}

std::string StatusAnswer(int code) {
  return "<cgi_status><code>" + std::to_string(code) + "</code></cgi_status>";
}

double Date(int year, int month, int day) {
  return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day)));
}

}  // namespace kova::test
