#pragma once

#include <QtGlobal>

// The command family of a model, as its long frames carry it in the family
// byte. Each family answers in its own reply dialect: family 1 in dialect A,
// family 2 in B, family 4 in C.
enum class Family : quint8 { One = 1, Two = 2, Four = 4 };
enum class Dialect : char { A = 'A', B = 'B', C = 'C' };

// How the device's article memory is read and written.
enum class ArticleMemory {
  LongFrames,         // family 1
  ShortFrameService,  // model 2: short frames, only inside the service bracket
  LongFramesLoggedIn, // model 3: long frames after an operator log-in
  Family4,            // long-frame writes, short-frame reads walking the stored articles
};

// What the article check before a sale may do about an article the device
// does not hold as the program sells it.
enum class ArticleCheck {
  SellsOnlyStored, // model 2: an article the device does not hold is not sold
  ProgramsFirst,   // the article is written to the device, then sold
  LearnsFromSale,  // model 4: the sale line carries name and price; the device learns it
};

// Everything that differs between the device models, resolved once per model.
// The builders, the engine and the screens ask this instead of testing the
// model number; a raw model test is left only for a quirk of one model.
struct DeviceProfile {
  int model = 1;
  Family family = Family::One;
  Dialect dialect = Dialect::A;
  quint8 familyByte = 0x01; // byte 1 of every long frame
  quint8 linkByte = 0x11;   // byte 2 of every long frame

  // --- receipts ---
  // The device closes the receipt itself once the payments cover it (reply 0x1C);
  // otherwise the program sends KrajRacuna.
  bool deviceClosesReceipt = true;
  // The closing command books the rest of the receipt as cash, so a whole
  // receipt carries no cash payment step before its end.
  bool closingBooksCash = false;
  // The closing is confirmed first; the status report that follows completes it.
  bool completesFromStatus = false;
  quint8 saleCode = 0x0B, voidCode = 0x0C, paymentCode = 0x15;
  bool hasDrawer = true;
  // The sale screens open a receipt from the device's status instead of the
  // program's last receipt.
  bool opensFromStatus = false;
  bool cancelsOpenReceipt = false; // StornirajRacun
  bool hasCustomerDisplay = false;
  bool hasFreeText = false;
  bool hasFiscalReports = false; // Izvestaj and its follow-ups
  // The device-error dialog offers "Zaustavi" in error mode whatever the caller set.
  bool alwaysOffersZaustavi = false;
  // Without the configuration's rounding switch, code-line amounts are cut to whole
  // para as the device computes them.
  bool hasRoundingSwitch = false;
  // Asked on program exit whether the device should leave fiscal printer mode.
  bool leavesPrinterModeOnExit = false;

  // --- link ---
  bool reachableOverTcp = false; // otherwise only the serial port

  // --- memories ---
  int firstOperator = 0, lastOperator = 24;
  ArticleMemory articleMemory = ArticleMemory::LongFrames;
  ArticleCheck articleCheck = ArticleCheck::ProgramsFirst;
  int firstArticle = 0, lastArticle = 3999;
  int skippedArticle = -1; // a number the device never reads or writes (none: -1)
  int articleCapacity = 4000;
  int nameBytes = 36;                // article name in the device's memory
  bool namesConvertedOnWrite = true; // kodiraj before writing a name
  bool namesConvertedOnRead = true;  // dekodiraj after reading one
  int articleFileNumberWidth = 4;    // article number field of the article text file

  // A number in the range the program uses that is not the skipped one.
  bool usesArticle(int n) const { return n >= firstArticle && n <= lastArticle && n != skippedArticle; }
  // The next article number after n, passing over the skipped one.
  int articleAfter(int n) const { return n + 1 == skippedArticle ? n + 2 : n + 1; }

  // The profile of models 1 to 5; any other number gets model 1's.
  static const DeviceProfile &of(int model);
};
