// The locus code word: one pack and one unpack in the stored layout (mode in
// bits 0-3, colour in bits 12-15), as the "Variables" bar writes it, the
// document reads it back for the bar and the design file keeps it.
#include "QorexDoc.h"
#include "VARpoints.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

namespace {

// The bar's five modes ("Logarithmic" ... "100% deviation") and five colours
// ("Red" ... "Purple").
constexpr int kModes = 5;
constexpr int kColours = 5;

TEST(VarPointsCode, EveryModeAndColourPacksIntoItsOwnField) {
  for (int mode = 0; mode < kModes; ++mode) {
    for (int colour = 0; colour < kColours; ++colour) {
      const WORD code = CVARpoints::PackCode(mode, colour);
      EXPECT_EQ(code, (colour << 12) | mode) << mode << " " << colour;
      EXPECT_EQ(CVARpoints::ModeOf(code), mode);
      EXPECT_EQ(CVARpoints::ColourOf(code), colour);
    }
  }
}

TEST(VarPointsCode, BitsBetweenTheFieldsNeitherReadNorWritten) {
  EXPECT_EQ(CVARpoints::ModeOf(0x0FF3), 3);
  EXPECT_EQ(CVARpoints::ColourOf(0x4FF0), 4);
  // A value wider than its field cannot spill into the other field.
  EXPECT_EQ(CVARpoints::PackCode(0x12, 0x13), 0x3002);
}

TEST(VarPointsCode, EveryModeAndColourSurvivesTheStoredRecord) {
  for (int mode = 0; mode < kModes; ++mode) {
    for (int colour = 0; colour < kColours; ++colour) {
      CVARpoints stored;
      stored.m_wCode = CVARpoints::PackCode(mode, colour);
      CArchive out(CArchive::store);
      ASSERT_TRUE(stored.Serialize(out));
      const std::vector<BYTE> bytes = out.TakeStoredBytes();
      ASSERT_EQ(bytes.size(), 26u);
      // The word closes the record, low byte first.
      EXPECT_EQ(bytes[24], mode);
      EXPECT_EQ(bytes[25], colour << 4);
      CArchive in(bytes);
      CVARpoints loaded;
      ASSERT_TRUE(loaded.Serialize(in));
      EXPECT_EQ(loaded.Mode(), mode);
      EXPECT_EQ(loaded.Colour(), colour);
    }
  }
}

// The bar's lists count from 1 (0 is "none"); the document hands back what
// the bar packed.
TEST(VarPointsCode, TheDocumentShowsTheBarWhatItSet) {
  CQorexDoc doc;
  for (int mode = 0; mode < kModes; ++mode) {
    for (int colour = 0; colour < kColours; ++colour) {
      doc.SetVarPoint(0, CVARpoints::PackCode(mode, colour));
      int shownMode = -1, shownColour = -1;
      doc.GetVarPointCell(0, &shownMode, &shownColour);
      EXPECT_EQ(shownMode, mode + 1);
      EXPECT_EQ(shownColour, colour + 1);
    }
  }
}

}  // namespace
