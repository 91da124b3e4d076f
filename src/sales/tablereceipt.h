#pragma once

#include "data/tablerepository.h"
#include "device/deviceprofile.h"
#include "engine/racun.h"

class SalePayments;

// What the terminal approved for a card payment; empty when it was keyed without one.
struct CardDetails {
  QString brojKartice;
  QString tipKartice;
  QString brojTransakcije;
};

// The sale step of one table line as every table receipt (settling, emptying, split)
// sends it: the line's number goes with it so the engine can take the line off the table.
Racun tableLineStep(const TableLine &line);

// A table receipt as the engine takes it: opening, one step per line, the cheque and
// card payments, the cash payment (when the device takes one) carrying the cash part
// (total - cheque - card) and the end. Settling the whole table and paying part of it
// differ only in which lines and which total they pass.
StavkeRacuna tableReceipt(const Racun &opening, const QList<TableLine> &lines, const SalePayments &pay,
                          const CardDetails &card, const DeviceProfile &device);
