// The run-time binding to the host's ICU on Windows: a library of the
// process named like ICU's common library, with suffixed entry points, is
// found and every function of the table reaches it.
#include <gtest/gtest.h>
#include <windows.h>

#include "support/icu_api.h"

namespace {

TEST(IcuBinding, TheHostsOwnIcuIsFoundByNameAndVersionSuffix) {
  HMODULE fake = LoadLibraryA("icuuc77.dll");
  ASSERT_NE(nullptr, fake);
  const IcuApi* icu = IcuGet();
  ASSERT_NE(nullptr, icu);
  EXPECT_EQ(icu, IcuGet());  // bound once

  icu->setDataDirectory("C:\\host\\icu_data");
  EXPECT_STREQ("C:\\host\\icu_data", icu->getDataDirectory());
  EXPECT_EQ(3, icu->strlen(u"abc"));

  UErrorCode err = U_ZERO_ERROR;
  UConverter* converter = icu->open("adobe-fm-roman-windows", &err);
  ASSERT_NE(nullptr, converter);
  icu->setFallback(converter, 1);
  auto fallback =
      reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(fake, "FakeIcuFallback")));
  EXPECT_EQ(1, fallback());
  icu->setToUEscape(converter, &err);
  EXPECT_EQ(U_ZERO_ERROR, err);
  icu->close(converter);
}

}  // namespace
