#include "imaging/image_object.h"

#include <gtest/gtest.h>

#include "framework/error_data.h"
#include "framework/observable.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_aspects.h"
#include "imaging/image_items.h"
#include "imaging/images_box.h"
#include "imaging/jpeg_image.h"
#include "imaging/png_image.h"
#include "persistence/xml_filer.h"
#include "picture_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

std::vector<uint8_t> SmallPng(TXColor color, int32_t size = 8) {
  TXPngImage png;
  png.Reset(size, size, true).Canvas().FillRect({0, 0, size, size}, color);
  TXMemoryStream out;
  png.SaveToStream(out);
  return out.Bytes();
}

std::unique_ptr<TXImageObject> PngObject(TXColor color, int32_t size = 8) {
  auto image = std::make_unique<TXImageObject>();
  TXMemoryStream stream(SmallPng(color, size));
  EXPECT_TRUE(image->LoadFromStream("TPngImage", stream));
  return image;
}

TEST(ImageObjectTest, LoadingValidatesByDecodingAndKeepsClassBytesAndSize) {
  TXMemoryStream png(SmallPng(MakeColor(1, 2, 3), 12));
  png.SetPosition(5);
  TXImageObject image;
  ASSERT_TRUE(image.LoadFromStream("tpngimage", png));
  EXPECT_EQ(image.DataClass(), "TPngImage");
  EXPECT_EQ(image.Bytes(), png.Bytes()) << "the whole stream, from its start";
  EXPECT_EQ(image.Size(), png.Size());
  EXPECT_EQ(image.Width(), 12);
  EXPECT_EQ(image.Height(), 12);
  EXPECT_GT(image.TimeStamp(), 0);

  std::unique_ptr<TXGraphic> decoded = image.Decode();
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->GraphicClassName(), "TPngImage");
  EXPECT_EQ(decoded->Size(), (TXSize{12, 12}));
}

TEST(ImageObjectTest, UndecodableDataOrUnknownClassesLeaveTheObjectClearedWithAReason) {
  struct Case {
    std::string dataClass;
    std::vector<uint8_t> bytes;
    std::string reason;
  };
  std::vector<Case> cases = {
      {"TPngImage", {1, 2, 3, 4, 5, 6, 7, 8, 9}, "not a PNG picture"},
      {"TJPEGImage", SmallPng(0), "invalid JPEG picture"},
      {"TMetafile", {1, 0, 9, 0}, "unknown picture class \"TMetafile\""},
      {"", {1}, "unknown picture class"},
      {"TBitmap", {'B', 'M', 0}, "the bitmap ends inside its header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataClass);
    std::unique_ptr<TXImageObject> owned = PngObject(MakeColor(9, 9, 9));
    TXImageObject& image = *owned;
    TXMemoryStream stream(c.bytes);
    ClearThreadError();
    EXPECT_FALSE(image.LoadFromStream(c.dataClass, stream));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.DataClass(), "");
    EXPECT_EQ(image.Width(), 0);
    EXPECT_NE(ThreadError().Text.find(c.reason), std::string::npos) << ThreadError().Text;
  }
}

TEST(ImageObjectTest, LoadsFilesByTheirExtension) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "logo.PNG", SmallPng(MakeColor(5, 6, 7)));
  TXImageObject image;
  ASSERT_TRUE(image.LoadFromFile((dir / "logo.PNG").string()));
  EXPECT_EQ(image.DataClass(), "TPngImage");
  EXPECT_EQ(image.FileName(), (dir / "logo.PNG").string());
  EXPECT_EQ(image.Width(), 8);

  test::WriteFileBytes(dir / "picture.gif", {'G', 'I', 'F', '8', '9', 'a'});
  ClearThreadError();
  EXPECT_FALSE(image.LoadFromFile((dir / "picture.gif").string()));
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_NE(ThreadError().Text.find("no picture class reads"), std::string::npos);
  EXPECT_FALSE(image.LoadFromFile((dir / "missing.png").string()));
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
}

TEST(ImageObjectTest, JpegFilesAreKeptAsTJPEGImageAndComeBackAsTheSystemsJpeg) {
  KOVA_SAMPLE_OR_SKIP(path, "nikon_e950_exif_thumb.jpg");
  TXImageObject fromFile;
  ASSERT_TRUE(fromFile.LoadFromFile(path.string()));
  EXPECT_EQ(fromFile.DataClass(), "TJPEGImage");
  EXPECT_EQ(fromFile.Width(), 800);
  EXPECT_EQ(fromFile.Height(), 600);

  std::unique_ptr<TXGraphic> graphic = fromFile.Decode();
  ASSERT_NE(dynamic_cast<TXJPEGImage*>(graphic.get()), nullptr);
  TXImageObject fromGraphic;
  ASSERT_TRUE(fromGraphic.LoadFrom(*graphic));
  EXPECT_EQ(fromGraphic.DataClass(), "TJPEGImage");
  EXPECT_EQ(fromGraphic.Bytes(), fromFile.Bytes());

  TXPicture picture;
  picture.ForceClass("TJPEGImage");
  TXGraphic* held = picture.Graphic();
  ASSERT_NE(dynamic_cast<TXJPEGImage*>(held), nullptr);
  picture.ForceClass("TXJPEGImage");
  EXPECT_EQ(picture.Graphic(), held) << "a picture of the class asked for is kept";
  picture.ForceClass("TMetafile");
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(ImageObjectTest, LoadFromCopiesObjectsItemsAndGraphicsAndRefusesOtherSources) {
  std::unique_ptr<TXImageObject> owned = PngObject(MakeColor(0, 0, 200), 10);
  TXImageObject& png = *owned;
  TXImageObject copy;
  ASSERT_TRUE(copy.LoadFrom(png));
  EXPECT_EQ(copy.Bytes(), png.Bytes());
  EXPECT_EQ(copy.Width(), 10);

  TXImageItem item;
  item.Data().Assign(png);
  TXImageObject fromItem;
  ASSERT_TRUE(fromItem.LoadFrom(item));
  EXPECT_EQ(fromItem.DataClass(), "TPngImage");

  TXBitmap32 bitmap(7, 3);
  TXImageObject fromBitmap;
  ASSERT_TRUE(fromBitmap.LoadFrom(bitmap));
  EXPECT_EQ(fromBitmap.DataClass(), "TBitmap");
  EXPECT_EQ(fromBitmap.Width(), 7);
  EXPECT_EQ(fromBitmap.Height(), 3);
  EXPECT_EQ(fromBitmap.Decode()->Size(), (TXSize{7, 3}));

  TXImagesBox notAPicture;
  EXPECT_FALSE(copy.LoadFrom(notAPicture));
  EXPECT_TRUE(copy.IsEmpty());
}

TEST(ImageObjectTest, TravelsCompressedThroughItsBinaryProperty) {
  std::unique_ptr<TXImageObject> owned = PngObject(MakeColor(10, 20, 30));
  TXImageObject& image = *owned;
  image.SetCompressed(true);
  std::vector<TXBinaryProperty> props;
  image.DefineBinaryProperties(props);
  std::vector<uint8_t> cdata;
  props[1].Write(cdata);
  TXImageObject back;
  std::vector<TXBinaryProperty> backProps;
  back.DefineBinaryProperties(backProps);
  backProps[1].Read(cdata);
  for (const TXPropInfo* prop : image.ClassInfo().Properties()) {
    if (prop->Kind != TXPropKind::Object) SetPropText(back, *prop, GetPropText(image, *prop));
  }
  EXPECT_EQ(back.Bytes(), image.Bytes());
  EXPECT_EQ(back.Width(), 8);
  EXPECT_EQ(back.Decode()->Size(), (TXSize{8, 8}));
}

TEST(ImageCollectionTest, FindsSortsAndAddsPicturesByName) {
  TXImageCollection images;
  ASSERT_NE(images.AddPicture("video", *PngObject(MakeColor(1, 1, 1))), nullptr);
  ASSERT_NE(images.AddPicture("Audio", *PngObject(MakeColor(2, 2, 2))), nullptr);
  ASSERT_NE(images.AddPicture("image", *PngObject(MakeColor(3, 3, 3))), nullptr);
  TXImagesBox notAPicture;
  EXPECT_EQ(images.AddPicture("broken", notAPicture), nullptr);
  EXPECT_EQ(images.Count(), 3) << "a picture that does not load is not kept";

  EXPECT_EQ(images.Find("AUDIO"), images.At(1));
  EXPECT_EQ(images.Find("missing"), nullptr);
  images.SortByName();
  EXPECT_EQ(images.At(0)->DisplayName(), "Audio");
  EXPECT_EQ(images.At(2)->DisplayName(), "video");
  EXPECT_EQ(images.At(2)->Index(), 2);

  TXImageCollection more;
  more.AddPicture("BEFORE", *PngObject(MakeColor(4, 4, 4)));
  images.SetSorted(true);
  images.AppendFrom(more);
  ASSERT_EQ(images.Count(), 4);
  EXPECT_EQ(images.At(1)->DisplayName(), "BEFORE");
  EXPECT_EQ(images.At(1)->Data().Bytes(), more.At(0)->Data().Bytes());
}

TEST(ImageCollectionTest, ItemClassesAndTheirExtraPictures) {
  TXImageCollection thumbnails(TXThnImageItem::StaticClassInfo());
  EXPECT_EQ(&thumbnails.ItemClass(), &TXThnImageItem::StaticClassInfo());
  TXImageCollection fallback(TXStreamItem::StaticClassInfo());
  EXPECT_EQ(&fallback.ItemClass(), &TXImageItem::StaticClassInfo());

  auto* item = static_cast<TXThnImageItem*>(thumbnails.Add());
  item->Data().Assign(*PngObject(MakeColor(1, 2, 3), 16));
  item->Thn().Assign(*PngObject(MakeColor(1, 2, 3), 4));
  item->SetStoreData(false);
  EXPECT_FALSE(item->Thn().StoreData());
  EXPECT_FALSE(item->Data().StoreData());
  TXThnImageItem copy;
  ASSERT_TRUE(copy.Assign(*item));
  EXPECT_EQ(copy.Thn().Width(), 4);
  EXPECT_EQ(GetPropObject(copy, "Thn"), &copy.Thn());

  TXImageGroupObject groups;
  TXImageGroupItem* info = groups.Groups().Add();
  info->SetDisplayName("information");
  info->Images().AddPicture("48", *PngObject(MakeColor(0, 0, 0), 48));
  info->Images().AddPicture("32", *PngObject(MakeColor(0, 0, 0), 32));
  TXImageGroupObject copyOfGroups;
  ASSERT_TRUE(copyOfGroups.Assign(groups));
  ASSERT_EQ(copyOfGroups.Groups().Count(), 1);
  EXPECT_EQ(copyOfGroups.Groups().Find("INFORMATION")->Images().At(1)->Data().Width(), 32);
}

TEST(ImagesBoxTest, AssigningReplacesAllPicturesAndListsFindBoxesByExactName) {
  TXImagesBox skin;
  skin.SetName("ImagesBox");
  skin.Images().AddPicture("image", *PngObject(MakeColor(1, 1, 1)));
  skin.Images().AddPicture("video", *PngObject(MakeColor(2, 2, 2)));
  TXImagesBox other;
  other.SetName("LargeExtImagesBox");
  other.Images().AddPicture("old", *PngObject(MakeColor(3, 3, 3)));
  ASSERT_TRUE(other.Assign(skin));
  ASSERT_EQ(other.Images().Count(), 2);
  EXPECT_EQ(other.Images().At(1)->DisplayName(), "video");
  EXPECT_EQ(other.Name(), "LargeExtImagesBox");

  TXImagesBoxList boxes;
  boxes.Add(&skin);
  boxes.Add(&other);
  EXPECT_EQ(boxes.IndexOf("LargeExtImagesBox"), 1);
  EXPECT_EQ(boxes.IndexOf("imagesbox"), -1);
  EXPECT_EQ(boxes.Find("ImagesBox"), &skin);
  boxes.Remove(&skin);
  EXPECT_EQ(boxes.Find("ImagesBox"), nullptr);
}

TEST(ImagesBoxTest, TravelsThroughObjectXmlWithPlainAndCompressedPictures) {
  TXImagesBox skin;
  skin.SetName("ImagesBox");
  skin.Images().AddPicture("image", *PngObject(MakeColor(1, 2, 3), 72));
  skin.Images().AddPicture("simage", *PngObject(MakeColor(4, 5, 6), 16));
  skin.Images().At(1)->Data().SetCompressed(true);
  std::string xml;
  {
    TXMLFiler filer;
    filer.SetObject(&skin);
    ASSERT_TRUE(filer.SaveToString(xml));
  }
  EXPECT_NE(xml.find("<p name=\"CData\">"), std::string::npos);
  EXPECT_NE(xml.find("<p name=\"Data\">"), std::string::npos);

  TXImagesBox copy;
  {
    TXMLFiler filer;
    filer.SetObject(&copy);
    ASSERT_TRUE(filer.LoadFromString(xml));
  }
  ASSERT_EQ(copy.Images().Count(), 2);
  for (int32_t i = 0; i < 2; ++i) {
    const TXImageObject& original = skin.Images().At(i)->Data();
    const TXImageObject& back = copy.Images().At(i)->Data();
    EXPECT_EQ(back.Bytes(), original.Bytes());
    EXPECT_EQ(back.DataClass(), "TPngImage");
    EXPECT_EQ(back.Width(), original.Width());
    EXPECT_EQ(back.Size(), original.Size());
  }
  EXPECT_EQ(copy.Images().Find("SIMAGE")->Data().Decode()->Size(), (TXSize{16, 16}));

  skin.Images().At(0)->SetStoreData(false);
  skin.Images().At(1)->SetStoreData(false);
  TXMLFiler filer;
  filer.SetObject(&skin);
  ASSERT_TRUE(filer.SaveToString(xml));
  EXPECT_EQ(xml.find("<p name=\"Data\">"), std::string::npos) << "no bytes without the switch";
  EXPECT_EQ(xml.find("<p name=\"CData\">"), std::string::npos);
  EXPECT_NE(xml.find("TPngImage"), std::string::npos);
}

TEST(ImageAspectTest, CarriesTheChangedPictureToObservers) {
  TXObservable source;
  std::unique_ptr<TXImageObject> owned = PngObject(MakeColor(1, 1, 1));
  TXImageObject& picture = *owned;
  TXImageObject* seen = nullptr;
  source.AddObserver(AspectClassOf<TXImageObjectChangedAspect>(),
                     TXHandler(&seen, "seen", [&seen](AXNotification& n) {
                       if (auto* a = n.AspectAs<TXImageObjectChangedAspect>()) seen = a->Data;
                     }));
  DispatchAspect<TXImageObjectChangedAspect>(source, &picture);
  EXPECT_EQ(seen, &picture);
  TXImageObjectChangedAspect copy(nullptr);
  copy.Assign(TXImageObjectChangedAspect(&picture));
  EXPECT_EQ(copy.Data, &picture);
}

}  // namespace
}  // namespace kova
