// tests/engine/allocationTests.cpp - evaluating expressions without host operands allocates
// nothing.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/support/engineFixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define VECTRIN_COUNTS_ALLOCATIONS 0  // the sanitizer owns malloc
#else
#define VECTRIN_COUNTS_ALLOCATIONS 1
#endif

#if VECTRIN_COUNTS_ALLOCATIONS
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

static std::atomic<long> allocationCount{0};

extern "C" void* malloc(size_t size) {
    allocationCount++;
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
    allocationCount++;
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* p, size_t size) {
    allocationCount++;
    return __libc_realloc(p, size);
}
#endif

namespace {

[[maybe_unused]] void twiceHandler() { callFrame.result = makeReal(2 * callFrame.args[0].num); }

class AllocationTest : public EngineTest {};

TEST_F(AllocationTest, EvaluatesWithoutAllocating) {
#if !VECTRIN_COUNTS_ALLOCATIONS
    GTEST_SKIP() << "allocations are counted only without the address sanitizer";
#else
    cal_register_function("TWICE", twiceHandler);
    const char* texts[] = {
        "1+2*3",
        "(3.5*2-1)/7",
        "2^10",
        "TWICE(TWICE(3))-1",
        "[1,2,3]+[4,5,6]*2",
        "[3<45,2]",
        "[1,0,0]&[0,1,0]",
        "5'6\"+2'",
        "10d30'36\"*2",
        "[2<45<30]*[1,1,1]",
        "((((1+2)*3)-4)/5)",
        "-PI^2/100G",
    };
    Value out;
    for (const char* text : texts) evaluateStatement(text, out);  // warm-up
    long before = allocationCount.load();
    for (int round = 0; round < 1000; round++) {
        for (const char* text : texts) {
            ASSERT_TRUE(evaluateStatement(text, out)) << text;
        }
    }
    EXPECT_EQ(0, allocationCount.load() - before);
#endif
}

}  // namespace
