// Two FAT16 drives for TZelvan's form tests: C: and a larger D:, with the
// size bound B of each taken from fsck.fat's report of the image.
#pragma once

#include <gtest/gtest.h>

#include "orvane/orvane.h"
#include "support.h"
#include "vcl/datamodule.h"

namespace zelvantest {

struct Drive {
    std::filesystem::path image;
    std::uint64_t bound; // data clusters x sectors per cluster
};

Drive MakeDrive(const testsupport::TempDir& dir, const std::string& name, unsigned kib);

class ZelvanForms : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    testsupport::TempDir dir;
    Drive c, d;
    vcl::TDataModule module{nullptr};

    Orvane::TZelvan& AddZelvan(const char* name);
};

} // namespace zelvantest
