// A program started with standard input, output or error closed gets
// /dev/null there, so the port it opens next cannot take that number.

#include "platform/standard_descriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(StandardDescriptors, AClosedOneBecomesDevNullAndTheNextOpenGetsAnotherNumber) {
    struct stat null {};
    ASSERT_EQ(stat("/dev/null", &null), 0);
    for (int fd = 0; fd <= 2; ++fd) {
        const int saved = dup(fd);
        ASSERT_GE(saved, 3);
        ::close(fd);
        platform::ensureStandardDescriptors();
        struct stat there {};
        const bool open = fstat(fd, &there) == 0;
        const int next = ::open("/dev/zero", O_RDONLY);
        // Put the test's own stream back before anything is reported.
        dup2(saved, fd);
        ::close(saved);
        if (next >= 0) ::close(next);
        ASSERT_TRUE(open) << "descriptor " << fd;
        EXPECT_EQ(there.st_rdev, null.st_rdev) << "descriptor " << fd;
        EXPECT_GT(next, 2) << "descriptor " << fd;
    }
}

}  // namespace
