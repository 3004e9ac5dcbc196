#include <gtest/gtest.h>

#include <string>

#include "screening/monitor_flags.h"
#include "screening/monitor_settings.h"
#include "settings_fixture.h"

namespace {

TEST(ReadMonitorFlags, IsOffWhenTheKeyOrTheValueIsMissing) {
  ScopedSettings settings;
  EXPECT_EQ(MONITOR_OFF, ReadMonitorFlags()) << "no key";
  settings.SetTypes(".zip");
  EXPECT_EQ(MONITOR_OFF, ReadMonitorFlags()) << "no value";
  settings.SetFlags(0x108);
  EXPECT_EQ(0x108u, ReadMonitorFlags());
  settings.SetFlags(0);
  EXPECT_EQ(0u, ReadMonitorFlags());
}

TEST(ReadMonitorFlags, AcceptsAnyStoredTypeThatFitsInFourBytes) {
  ScopedSettings settings;
  const BYTE four[] = {0x08, 0x01, 0x00, 0x00};
  settings.SetRaw("Monitor Flags", REG_BINARY, four, 4);
  EXPECT_EQ(0x108u, ReadMonitorFlags());
  const BYTE one[] = {0x0C};
  settings.SetRaw("Monitor Flags", REG_BINARY, one, 1);
  EXPECT_EQ(0x0Cu, ReadMonitorFlags()) << "short values are not mixed with the default's bytes";
  settings.SetRaw("Monitor Flags", REG_SZ, "12", 3);
  EXPECT_EQ(0x3231u, ReadMonitorFlags());
  settings.SetRaw("Monitor Flags", REG_SZ, "1234", 5);
  EXPECT_EQ(MONITOR_OFF, ReadMonitorFlags()) << "five bytes do not fit";
}

TEST(ReadMonitorTypes, ReadsUpTo254BytesOfTextWithItsTerminator) {
  ScopedSettings settings;
  char buffer[MONITOR_TYPES_CAPACITY];
  unsigned long size = sizeof(buffer);
  EXPECT_EQ(0, ReadMonitorTypes(buffer, &size)) << "no key";
  EXPECT_EQ(sizeof(buffer), size) << "size untouched on failure";
  settings.SetFlags(8);
  EXPECT_EQ(0, ReadMonitorTypes(buffer, &size)) << "no value";

  const std::string fits(254, 'x');
  settings.SetTypes(fits);
  size = sizeof(buffer);
  ASSERT_EQ(1, ReadMonitorTypes(buffer, &size));
  EXPECT_EQ(255u, size);
  EXPECT_EQ(fits, std::string(buffer));

  settings.SetTypes(fits + "y");
  size = sizeof(buffer);
  EXPECT_EQ(0, ReadMonitorTypes(buffer, &size)) << "255 bytes of text do not fit";

  settings.SetRaw("MonitorType", REG_BINARY, ".zip", 4);
  size = sizeof(buffer);
  ASSERT_EQ(1, ReadMonitorTypes(buffer, &size)) << "any stored type";
  EXPECT_EQ(4u, size);
}

}  // namespace
