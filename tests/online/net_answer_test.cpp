#include <gtest/gtest.h>

#include "framework/error_data.h"
#include "online/http_client.h"
#include "online/net_coding.h"
#include "online/net_data_filer.h"
#include "online/net_files.h"
#include "online/net_texts.h"
#include "online/params_writer.h"
#include "online/proxy_settings.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {
namespace {

std::string Envelope(const std::string& status, const std::string& data) {
  return "<cgi_status>" + status + "</cgi_status><cgi_data>" + data + "</cgi_data>";
}

TEST(NetTexts, SizesSwitchToMegabytesAt900Kilobytes) {
  EXPECT_EQ(NetSizeText(0), "0.00 KB");
  EXPECT_EQ(NetSizeText(1536), "1.50 KB");
  EXPECT_EQ(NetSizeText(900 * 1024 - 1), "900.00 KB");
  EXPECT_EQ(NetSizeText(900 * 1024), "0.88 MB");
  EXPECT_EQ(NetSizeText(5 * 1048576), "5.00 MB");
}

TEST(NetTexts, TimesShowMinutesAndSecondsOrHoursAndMinutes) {
  const TXNetTexts texts = TXNetTexts::FromLanguage();
  const std::string h = Lg().Word(lg::kHours), m = Lg().Word(lg::kMinutes),
                    s = Lg().Word(lg::kSeconds);
  EXPECT_EQ(texts.TimeText(125), "2 " + m + " 5 " + s);
  EXPECT_EQ(texts.TimeText(3725), "1 " + h + " 2 " + m);
  EXPECT_EQ(texts.TimeText(0), "0 " + m + " 0 " + s);
  EXPECT_EQ(texts.TimeText(24 * 3600 + 60), "24 " + h + " 1 " + m);
  EXPECT_EQ(texts.TimeText(25 * 3600 + 120), "0 " + h + " 0 " + m);
}

TEST(NetCoding, RoundTripsAnyBytesAndRefusesDamagedText) {
  const std::string text = std::string("user|p\xC3\xA4ss\0word", 13) + std::string(300, 'x');
  const std::string coded = EncodeNetText(text);
  EXPECT_EQ(coded.find("user"), std::string::npos);
  EXPECT_EQ(DecodeNetText(coded), text);
  // Line breaks that a server puts into long data do not matter.
  EXPECT_EQ(DecodeNetText(coded.substr(0, 40) + "\r\n" + coded.substr(40)), text);
  EXPECT_EQ(DecodeNetText(""), std::string());
  EXPECT_FALSE(DecodeNetText("not*base64!"));
}

TEST(NetDataFiler, DataRunsToTheLastClosingTag) {
  ClearThreadError();
  TXNetDataFiler filer;
  filer.Response = Envelope("<code>1</code><format>0</format>", "a</cgi_data>b");
  ASSERT_TRUE(filer.Parse());
  EXPECT_EQ(filer.Code, 1);
  EXPECT_EQ(filer.Format, 0);
  EXPECT_EQ(filer.Data, "a</cgi_data>b");
  EXPECT_TRUE(filer.Response.empty());
  EXPECT_EQ(ThreadError().Code, kErrNone);
}

TEST(NetDataFiler, FormatsOutsideTheRangeAreReadAsPlain) {
  TXNetDataFiler filer;
  filer.Response = Envelope("<code>1</code><format>7</format>", "plain");
  ASSERT_TRUE(filer.Parse());
  EXPECT_EQ(filer.Format, 2);
  EXPECT_EQ(filer.Data, "plain");
}

TEST(NetDataFiler, CodedDataIsDecodedAndDamagedCodingIsRefused) {
  TXNetDataFiler filer;
  filer.Response = Envelope("<code>1</code><format>1</format>", EncodeNetText("<toc/>"));
  ASSERT_TRUE(filer.Parse());
  EXPECT_EQ(filer.Data, "<toc/>");

  filer.Response = Envelope("<code>1</code><format>1</format>", "%%%");
  EXPECT_FALSE(filer.Parse());
  EXPECT_EQ(filer.Code, 0);
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

TEST(NetDataFiler, StatusCodesBecomeOutcomes) {
  TXNetDataFiler filer;
  SetThreadError(kErrRead);
  filer.Response = Envelope("<code>2</code>", "");
  EXPECT_TRUE(filer.Parse());
  EXPECT_EQ(ThreadError().Code, kErrNothingNew);

  filer.Response = Envelope("<code>3</code>", "");
  EXPECT_FALSE(filer.Parse());
  EXPECT_EQ(ThreadError().Code, kErrNetRefused);

  for (const std::string& bad :
       {std::string("<html>Not found</html>"), Envelope("<code>9</code>", "x"),
        Envelope("<code>one</code>", "x"), std::string()}) {
    ClearThreadError();
    filer.Response = bad;
    EXPECT_FALSE(filer.Parse()) << bad;
    EXPECT_EQ(ThreadError().Code, kErrRead) << bad;
  }
  ClearThreadError();
}

TEST(NetFiles, TheSameFileIsListedOnce) {
  TXNetFileCollection files;
  TXNetFileItem* first = files.AddFile("http://a/x", "/tmp/x", "");
  EXPECT_EQ(files.AddFile("http://a/x", "/tmp/x", ""), first);
  EXPECT_EQ(files.Count(), 1);
  EXPECT_FALSE(first->IsPost);
  EXPECT_NE(files.AddFile("http://a/x", "/tmp/y", ""), first);
  // A post text is kept line by line and compared with each line followed by CR LF.
  TXNetFileItem* posted = files.AddFile("http://a/p", "/tmp/p", "a=1");
  EXPECT_TRUE(posted->IsPost);
  EXPECT_EQ(posted->PostData, std::vector<std::string>{"a=1"});
  EXPECT_NE(files.AddFile("http://a/p", "/tmp/p", "a=1"), posted);
  TXNetFileItem* complete = files.AddFile("http://a/q", "/tmp/q", "a=1\r\nb=2\r\n");
  EXPECT_EQ(files.AddFile("http://a/q", "/tmp/q", "a=1\r\nb=2\r\n"), complete);
  EXPECT_EQ(files.Count(), 5);
  EXPECT_EQ(files.FindByUrl(""), nullptr);
}

TEST(NetFiles, SizesAreKnownWhenEveryAddressHasOne) {
  TXNetFileCollection files;
  files.AddFile("http://a/1", "", "")->Size = 10;
  files.AddFile("", "", "");
  EXPECT_TRUE(files.AllSizesKnown());
  files.AddFile("http://a/2", "", "");
  EXPECT_FALSE(files.AllSizesKnown());
}

TEST(ParamsWriter, WritesLocaleScreenAndVersionFields) {
  SetScreenSizeProvider([] { return TXScreenSize{1920, 1080}; });
  TXRef<TXPostParamsWriter> writer = MakeRef<TXPostParamsWriter>("first=1\r\nsecond=2");
  writer->Add("app", "kova").AddLocaleAndScreen().AddVersion();
  SetScreenSizeProvider({});
  const std::vector<std::string>& lines = writer->Lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "first=1");
  EXPECT_EQ(lines[2], "app=kova");
  EXPECT_EQ(lines[3], "lg=" + Lg().LanguageIDText());
  EXPECT_EQ(lines[4], "lgiso=en-US");
  EXPECT_TRUE(lines[5].starts_with("loc=")) << lines[5];
  EXPECT_EQ(lines[5].size(), 8u);
  EXPECT_TRUE(lines[7].starts_with("lociso=")) << lines[7];
  EXPECT_EQ(lines[8], "scr=1920x1080");
  EXPECT_EQ(lines[9], "scrr=7");
  EXPECT_EQ(lines[10], "version=7.0.0.1");
  EXPECT_EQ(writer->Text().substr(0, 18), "first=1\r\nsecond=2\r");
}

TEST(ParamsWriter, AspectDigitIsTheFirstDecimalAndZeroWithoutHeight) {
  EXPECT_EQ(AspectDigit({1600, 1200}), "3");
  EXPECT_EQ(AspectDigit({1280, 1024}), "2");
  EXPECT_EQ(AspectDigit({1024, 1024}), "0");
  EXPECT_EQ(AspectDigit({800, 0}), "0");
}

TEST(ProxySettings, CredentialsArePackedReversiblyAndAppliedOnlyWhenEnabled) {
  TXProxySettings proxy;
  proxy.ProxyServer = "proxy.lan";
  proxy.ProxyPort = 3128;
  proxy.SetCredentials("anna", "se|cret");
  EXPECT_EQ(proxy.ProxyData.find("anna"), std::string::npos);
  EXPECT_EQ(proxy.UserName(), "anna");
  EXPECT_EQ(proxy.Password(), "se|cret");

  TXHttpClient client;
  proxy.Apply(client);
  EXPECT_TRUE(client.Proxy().Server.empty());
  proxy.ProxyEnabled = true;
  proxy.Apply(client);
  EXPECT_EQ(client.Proxy().Server, "proxy.lan");
  EXPECT_EQ(client.Proxy().Port, 3128);
  EXPECT_EQ(client.Proxy().Password, "se|cret");

  proxy.ProxyData = "garbage!";
  EXPECT_EQ(proxy.UserName(), "");
  proxy.Clear();
  EXPECT_FALSE(proxy.ProxyEnabled);
  EXPECT_TRUE(proxy.ProxyData.empty());
  EXPECT_FALSE(ProxySettings().ProxyEnabled);
}

}  // namespace
}  // namespace kova
