#pragma once

#include "device/commandbuilder.h"

#include <QDateTime>
#include <QString>

// An article as it is written to the device's memory.
struct DeviceArticleWrite {
  int broj = 0;  // article number in the device
  QString naziv; // at most 36 characters (32 for family 4); longer names are cut
  double cena = 0;
  int poreskaGrupa = 0;
  QString barkod;
};

// Commands that read and write the device's memories: articles, operators, tax rates,
// emptying the article memory, and model 2's article service bracket.
class MemoryCommands : public CommandBuilder {
public:
  using CommandBuilder::CommandBuilder;

  // Writes one article. Model 2 refuses a negative price through DeviceCommand::error; the
  // engine then shows it and closes the service (ZatvoriServis).
  DeviceCommand UpisArtikla(const DeviceArticleWrite &article) const;
  // Reads article n; model 2 reads articleCounter + 1 instead (its engine's counter).
  DeviceCommand CitanjeArtikla(int n, int articleCounter = 0) const;
  // Model 3's long-frame read of article 1 (also detects the variant).
  DeviceCommand CitanjeArtiklaMenko() const;
  // The next stored article (family 4).
  DeviceCommand CitajSledeci() const;
  // Empties the article memory from first to last (family 4).
  DeviceCommand IsprazniStampac(int first, int last) const;
  // Reads operator n (families 1 and 4).
  DeviceCommand CitanjeOperatera(int n) const;
  // Reads tax rate n (family 1) or all nine rates (family 4, n unused).
  DeviceCommand CitanjeStopa(int n) const;
  // Model 3's log-in before article work: sequence byte 0x01, operator 1, at `now`.
  DeviceCommand PrijavaZaArtikle(const QDateTime &now) const;

  // Model 2's article service: open (5F 00 02 02 11 0D), information (5F 20 00 0D), close (5F 10 00 0D).
  DeviceCommand OtvoriServis() const;
  DeviceCommand InfoServis() const;
  DeviceCommand ZatvoriServis() const;
};
