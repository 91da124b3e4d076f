#include "device/deviceprofile.h"

#include <array>

namespace {

// Taliro: the device ends the receipt itself, article memory in long frames.
DeviceProfile taliro() {
  DeviceProfile p;
  p.model = 1;
  p.hasRoundingSwitch = true;
  p.skippedArticle = 704;
  return p;
}

// Selvio: as Taliro with its own sale and payment codes and a larger memory.
DeviceProfile selvio() {
  DeviceProfile p = taliro();
  p.model = 5;
  p.hasRoundingSwitch = false;
  p.skippedArticle = -1;
  p.saleCode = 0x05;
  p.voidCode = 0x06;
  p.paymentCode = 0x13;
  p.lastArticle = 11999;
  p.articleCapacity = 12000;
  p.articleFileNumberWidth = 5;
  p.leavesPrinterModeOnExit = true;
  return p;
}

// Menko: explicit end whose closing books the cash, article memory served
// through the short-frame service; it sells only what it already holds.
DeviceProfile menko() {
  DeviceProfile p;
  p.model = 2;
  p.family = Family::Two;
  p.dialect = Dialect::B;
  p.familyByte = 0x02;
  p.deviceClosesReceipt = false;
  p.closingBooksCash = true;
  p.saleCode = 0x03;
  p.voidCode = 0x04;
  p.paymentCode = 0x09;
  p.hasDrawer = false;
  p.lastOperator = 15;
  p.articleMemory = ArticleMemory::ShortFrameService;
  p.articleCheck = ArticleCheck::SellsOnlyStored;
  p.firstArticle = 1;
  p.lastArticle = 3000;
  p.articleCapacity = 3000;
  p.namesConvertedOnWrite = false;
  p.namesConvertedOnRead = false;
  return p;
}

// The Menko variant found at run time: articles in long frames after a log-in,
// programmed before a sale.
DeviceProfile menkoLongFrames() {
  DeviceProfile p = menko();
  p.model = 3;
  p.articleMemory = ArticleMemory::LongFramesLoggedIn;
  p.articleCheck = ArticleCheck::ProgramsFirst;
  p.namesConvertedOnRead = true;
  return p;
}

// Dravo: the richest command set, also over TCP; it learns articles from the sale lines.
DeviceProfile dravo() {
  DeviceProfile p;
  p.model = 4;
  p.family = Family::Four;
  p.dialect = Dialect::C;
  p.familyByte = 0x04;
  p.linkByte = 0x01;
  p.deviceClosesReceipt = false;
  p.completesFromStatus = true;
  p.saleCode = 0x03;
  p.voidCode = 0x04;
  p.paymentCode = 0x09;
  p.opensFromStatus = true;
  p.cancelsOpenReceipt = true;
  p.hasCustomerDisplay = true;
  p.hasFreeText = true;
  p.hasFiscalReports = true;
  p.alwaysOffersZaustavi = true;
  p.reachableOverTcp = true;
  p.firstOperator = 1;
  p.lastOperator = 64;
  p.articleMemory = ArticleMemory::Family4;
  p.articleCheck = ArticleCheck::LearnsFromSale;
  p.firstArticle = 1;
  p.lastArticle = 60000;
  p.articleCapacity = 60000;
  p.nameBytes = 32;
  p.namesConvertedOnWrite = false;
  p.namesConvertedOnRead = false;
  p.articleFileNumberWidth = 5;
  return p;
}

} // namespace

const DeviceProfile &DeviceProfile::of(int model) {
  static const std::array<DeviceProfile, 5> profiles{taliro(), menko(), menkoLongFrames(), dravo(), selvio()};
  return model >= 1 && model <= 5 ? profiles[std::size_t(model - 1)] : profiles[0];
}
