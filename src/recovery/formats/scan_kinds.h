#pragma once

// Every kind of file that the scan formats measure, in kind order, one line each: the list that
// the kind numbers, the format table and its size follow. A kind's number is its place in the
// list, and the order decides between kinds that share an extension or a start pattern (the
// first one wins), so a new kind goes at the end, one line. For a line X(NAME) the format's own
// file defines the class TXDRScanFormatNAME and the declaration kNAMEDeclaration
// (TXDRScanFormatDeclaration, recovery/formats/scan_format.h).
#define KOVA_SCAN_KINDS(X) \
  X(JPG)                   \
  X(TIF)                   \
  X(DNG)                   \
  X(CR2)                   \
  X(NEF)                   \
  X(ORF)                   \
  X(PEF)                   \
  X(ARW)                   \
  X(ARWTIF)                \
  X(SRF)                   \
  X(SR2)                   \
  X(RAW)                   \
  X(MRW)                   \
  X(RW2)                   \
  X(AVI)                   \
  X(MOV)                   \
  X(MP4)                   \
  X(CR3)                   \
  X(HEIC)                  \
  X(RAF)                   \
  X(MTS)                   \
  /* new kinds above this line */
