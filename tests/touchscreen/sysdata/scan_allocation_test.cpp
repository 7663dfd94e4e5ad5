// The process scan runs every few seconds for the dashboard's whole life on boards with
// little memory: once warmed up it must not allocate per process. This program replaces the
// global allocation functions to count what the scan asks for, so it stands alone.
#include "fixture.hpp"

#include "sysdata/processes.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

// Counted only on the thread that armed the counter, only while armed.
thread_local bool g_armed = false;
thread_local long g_allocations = 0;

void* allocate(std::size_t n) {
    if (g_armed) ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

void* allocate(std::size_t n, const std::nothrow_t&) noexcept {
    if (g_armed) ++g_allocations;
    return std::malloc(n ? n : 1);
}

// Allocations made on this thread while it lives.
class Counting {
public:
    Counting() {
        g_allocations = 0;
        g_armed = true;
    }
    ~Counting() { g_armed = false; }
    long count() const { return g_allocations; }
};

}  // namespace

// Every plain form, so each pointer is freed by the family that made it (sanitizers check).
void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t& t) noexcept { return allocate(n, t); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return allocate(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace ts::sysdata {
namespace {

constexpr std::size_t kTop = 8;  // rows the scan returns

// Processes numbered from..to-1 under root, with names too long for a string's inline
// buffer: a std::string made per process would allocate.
void add_processes(const test::TempRoot& root, int from, int to) {
    for (int pid = from; pid < to; ++pid) {
        const std::string p = "proc/" + std::to_string(pid);
        root.write(p + "/stat", std::to_string(pid) + " (worker-number-" + std::to_string(pid) +
                                    ") S 1 1 1 0 -1 0 0 0 0 0 " + std::to_string(pid) + " 7 0 0 20 0 1 0 500 0 " +
                                    std::to_string(pid) + "\n");
    }
}

struct Counts {
    long second = 0, third = 0;  // allocations in the second and third scan of one tree
};

Counts count_scans(ProcessScanner& scanner, double& now, std::size_t processes) {
    Counts c;
    std::vector<ProcessRow> rows;
    {
        const Counting counting;
        rows = scanner.scan(now += 1);
        c.second = counting.count();
    }
    EXPECT_EQ(scanner.tracked(), processes);
    EXPECT_EQ(rows.size(), kTop);
    {
        const Counting counting;
        rows = scanner.scan(now += 1);
        c.third = counting.count();
    }
    EXPECT_EQ(scanner.tracked(), processes);
    return c;
}

TEST(ScanAllocation, TheCounterSeesAStringOnTheHeap) {
    const Counting counting;
    const std::string s(100, 'x');
    EXPECT_GE(counting.count(), 1) << s.size();
}

TEST(ScanAllocation, ASecondScanAllocatesNothingPerProcess) {
    constexpr int kFew = 60;
    const test::TempRoot root;
    add_processes(root, 100, 100 + kFew);
    ProcessScanner scanner{Source(root.path())};
    double now = 0;
    scanner.scan(now += 1);  // learns the tree and sizes its buffers
    const Counts few = count_scans(scanner, now, kFew);

    add_processes(root, 100 + kFew, 100 + 3 * kFew);
    scanner.scan(now += 1);  // more processes may grow a buffer once
    const Counts many = count_scans(scanner, now, 3 * kFew);

    // At rest a scan allocates only its answer: the row list and the rows' long names.
    EXPECT_EQ(many.third, few.third) << "a warmed-up scan allocates per process";
    EXPECT_LE(few.third, static_cast<long>(kTop) + 1);
    // The scan after a growth may size its second buffer once, whatever the count.
    EXPECT_LE(few.second, few.third + 2);
    EXPECT_LE(many.second, many.third + 2);
}

}  // namespace
}  // namespace ts::sysdata
