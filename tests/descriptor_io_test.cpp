#include "descriptor_io.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

std::atomic<int> interruptions{0};

void count_interruption(int /*signal*/)
{
    interruptions.fetch_add(1);
}

TEST(read_descriptor, interrupted_read_is_retried)
{
    // A handler installed without SA_RESTART makes a blocked read fail with
    // EINTR; that is no failure of the input, and the read must go on.
    struct sigaction action { };
    action.sa_handler = count_interruption;
    sigemptyset(&action.sa_mask);
    struct sigaction old { };
    ASSERT_EQ(sigaction(SIGUSR1, &action, &old), 0);
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);

    descriptor source{ends[0]};
    long got = 0;
    char byte = 0;
    std::thread reader([&] { got = read_descriptor(&source, &byte, 1); });
    // Interrupt it a few times while it waits on the empty pipe.
    for (int i = 1; i <= 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(pthread_kill(reader.native_handle(), SIGUSR1), 0);
        while (interruptions.load() < i) {
            std::this_thread::yield();
        }
    }
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    reader.join();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(byte, 'x');
    EXPECT_EQ(source.error, 0);
    close(ends[0]);
    close(ends[1]);
    sigaction(SIGUSR1, &old, nullptr);
}

TEST(read_descriptor, failure_keeps_its_errno)
{
    descriptor source{-1};
    char byte = 0;
    EXPECT_EQ(read_descriptor(&source, &byte, 1), -1);
    EXPECT_EQ(source.error, EBADF);
}

TEST(write_descriptor, failure_keeps_its_errno)
{
    descriptor target{open("/dev/full", O_WRONLY | O_CLOEXEC)};
    ASSERT_GE(target.fd, 0);
    EXPECT_FALSE(write_descriptor(&target, "x", 1));
    EXPECT_EQ(target.error, ENOSPC);
    close(target.fd);
}

} // namespace
