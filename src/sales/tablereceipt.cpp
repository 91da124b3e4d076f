#include "sales/tablereceipt.h"

#include "common/textfields.h"
#include "sales/salepayments.h"

Racun tableLineStep(const TableLine &line) {
  Racun r;
  r.operacija = Racun::Prodaja;
  r.rbrStavke = line.rbr;
  r.sifra = line.sifra.trimmed();
  const QString bk = line.barkod.trimmed();
  r.barkod = (!bk.isEmpty() && Is_Number(bk)) ? bk : r.sifra;
  r.kolicina = line.kolicina;
  r.cena = line.cena;
  r.naziv = line.naziv.trimmed();
  r.poreskaGrupa = line.stopa;
  r.iznos = line.iznos;
  r.storno = line.storno ? 1 : 0;
  return r;
}

StavkeRacuna tableReceipt(const Racun &opening, const QList<TableLine> &lines, const SalePayments &pay,
                          const CardDetails &card, const DeviceProfile &device) {
  StavkeRacuna s{opening};
  for (const TableLine &l : lines)
    s.push_back(tableLineStep(l));
  if (!pay.cek.isZero()) {
    Racun r;
    r.operacija = Racun::Placanje;
    r.nacinPlacanja = Racun::Cek;
    r.iznosPlacanja = pay.cek;
    s.push_back(r);
  }
  if (!pay.kartica.isZero()) {
    Racun r;
    r.operacija = Racun::Placanje;
    r.nacinPlacanja = Racun::Kartica;
    r.iznosPlacanja = pay.kartica;
    r.brojKartice = card.brojKartice;
    r.tipKartice = card.tipKartice;
    r.brojTransakcije = card.brojTransakcije;
    s.push_back(r);
  }
  const Money cashPart = pay.ukupno - pay.cek - pay.kartica;
  Racun end;
  end.operacija = Racun::Kraj;
  if (device.closingBooksCash) {
    end.ostatak = cashPart;
  } else {
    Racun cash;
    cash.operacija = Racun::Placanje;
    cash.nacinPlacanja = Racun::Gotovina;
    cash.iznosPlacanja = pay.gotovina;
    cash.ostatak = cashPart;
    s.push_back(cash);
  }
  s.push_back(end);
  return s;
}
