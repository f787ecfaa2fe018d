// The media-removal lock against Wine's real CD-ROM drives (D: and E: in the test prefix),
// which open but refuse the request, and against stand-in drivers that accept it.
#include "support/FakeDrives.h"

#include "drives/MediaLock.h"

#include <gtest/gtest.h>

namespace {

const DWORD kUntouched = 0xDEADBEEF;

// Whether the handle SetMediaLock opened last is closed; to be asked right after the call.
bool LastOpenIsClosed(const FakeDrives& drives)
{
    DWORD flags = 0;
    return !drives.opens.empty() &&
           ::GetHandleInformation(drives.opens.back().handle, &flags) == FALSE;
}

TEST(MediaLock, WineOpensItsCdromDrivesButRefusesTheRequestWithError50)
{
    for (const char* drive : {"D:", "E:"}) {
        for (int lock : {1, 0}) {
            SCOPED_TRACE(std::string(drive) + (lock ? " lock" : " unlock"));
            ::SetLastError(kUntouched);
            EXPECT_FALSE(SetMediaLock(drive, lock));
            EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), ::GetLastError());
        }
    }
}

TEST(MediaLock, DriveThatDoesNotExistFailsWithTheOpensErrorAndNothingSent)
{
    FakeDrives drives; // records only: the open is Wine's, and Q: does not exist
    ::SetLastError(kUntouched);
    EXPECT_FALSE(SetMediaLock("Q:", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    ASSERT_EQ(1u, drives.opens.size());
    EXPECT_EQ("\\\\.\\Q:", drives.opens[0].path);
    EXPECT_TRUE(drives.requests.empty());

    // A refused open (the drive's device is not ours to open) is no different.
    drives.Forget();
    drives.openError["D:"] = ERROR_ACCESS_DENIED;
    ::SetLastError(kUntouched);
    EXPECT_FALSE(SetMediaLock("D:", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_TRUE(drives.requests.empty());
}

TEST(MediaLock, OpensSharedForReadingAndSendsVolumeLockRemovalAndVolumeUnlockThenCloses)
{
    FakeDrives drives;
    EXPECT_TRUE(SetMediaLock("D:", 1));
    // Looked at before anything else runs: a handle value, once free, is soon given out again.
    EXPECT_TRUE(LastOpenIsClosed(drives));

    ASSERT_EQ(1u, drives.opens.size());
    const FakeDrives::Open& open = drives.opens[0];
    EXPECT_EQ("\\\\.\\D:", open.path);
    EXPECT_EQ(static_cast<DWORD>(GENERIC_READ), open.access);
    EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE), open.share);
    EXPECT_FALSE(open.security);
    EXPECT_EQ(static_cast<DWORD>(OPEN_EXISTING), open.disposition);
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), open.attributes);
    EXPECT_FALSE(open.hasTemplate);
    ASSERT_NE(INVALID_HANDLE_VALUE, open.handle);

    ASSERT_EQ(3u, drives.requests.size());
    const DWORD codes[] = {0x90018 /* FSCTL_LOCK_VOLUME */, 0x2D4804 /* IOCTL_STORAGE_MEDIA_REMOVAL */,
                           0x9001C /* FSCTL_UNLOCK_VOLUME */};
    for (std::size_t i = 0; i < 3; ++i) {
        const FakeDrives::Request& request = drives.requests[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(codes[i], request.code);
        EXPECT_EQ(open.handle, request.handle);
        EXPECT_TRUE(request.noOutput);
        EXPECT_EQ(0u, request.outputSize);
        EXPECT_FALSE(request.overlapped);
        EXPECT_TRUE(request.counter);
    }
    EXPECT_TRUE(drives.requests[0].noInput);
    EXPECT_TRUE(drives.requests[0].input.empty());
    EXPECT_EQ(std::vector<BYTE>{1}, drives.requests[1].input);
    EXPECT_TRUE(drives.requests[2].noInput);
    EXPECT_TRUE(drives.requests[2].input.empty());
}

TEST(MediaLock, OnlyTheLowByteOfTheFlagReachesTheDriver)
{
    FakeDrives drives;
    const struct {
        int lock;
        BYTE sent;
    } cases[] = {{0, 0}, {1, 1}, {0x100, 0}, {0x201, 1}, {0x102, 2}, {-1, 0xFF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lock);
        drives.Forget();
        EXPECT_TRUE(SetMediaLock("E:", c.lock));
        ASSERT_EQ(3u, drives.requests.size());
        EXPECT_EQ(std::vector<BYTE>{c.sent}, drives.requests[1].input);
    }
}

TEST(MediaLock, ResultIsTheRemovalRequestsAndItsErrorSurvivesTheCleanUp)
{
    FakeDrives drives;
    // A volume that cannot be locked or unlocked (another program has files open on it) does
    // not make an accepted request a failure.
    drives.volumeLockError = ERROR_ACCESS_DENIED;
    drives.volumeUnlockError = ERROR_NOT_LOCKED;
    EXPECT_TRUE(SetMediaLock("D:", 1));
    EXPECT_EQ(3u, drives.requests.size());
    EXPECT_EQ(1, drives.lockCount["D:"]);

    // The refused request's code is what the caller reads, though the volume unlock that
    // follows fails with another; the unlock and the close still happen.
    drives.Forget();
    drives.removalError["D:"] = ERROR_NOT_READY;
    ::SetLastError(kUntouched);
    EXPECT_FALSE(SetMediaLock("D:", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), ::GetLastError());
    EXPECT_TRUE(LastOpenIsClosed(drives));
    ASSERT_EQ(3u, drives.requests.size());
    EXPECT_EQ(static_cast<DWORD>(FSCTL_UNLOCK_VOLUME), drives.requests[2].code);
    EXPECT_EQ(1, drives.lockCount["D:"]);

    // No memory of its own: two locks are two requests, and the driver counts both.
    drives.removalError.clear();
    drives.volumeLockError = drives.volumeUnlockError = 0;
    EXPECT_TRUE(SetMediaLock("D:", 1));
    EXPECT_EQ(2, drives.lockCount["D:"]);
}

} // namespace
