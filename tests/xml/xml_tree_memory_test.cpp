// Peak heap use of a load, counted by replacing the global allocation
// functions in this test program only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>
#include <string>

#include "xml/xml_tree.h"

namespace {

std::atomic<size_t> current_bytes{0};
std::atomic<size_t> peak_bytes{0};

void* counted_allocate(size_t size) {
    // The size is kept in front of the block so that delete can count it.
    void* block = std::malloc(size + 16);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(block) = size;
    const size_t now = current_bytes.fetch_add(size) + size;
    size_t peak = peak_bytes.load();
    while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + 16;
}

void counted_free(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    void* block = static_cast<char*>(pointer) - 16;
    current_bytes.fetch_sub(*static_cast<size_t*>(block));
    std::free(block);
}

}  // namespace

void* operator new(size_t size) { return counted_allocate(size); }
void* operator new[](size_t size) { return counted_allocate(size); }
void operator delete(void* pointer) noexcept { counted_free(pointer); }
void operator delete[](void* pointer) noexcept { counted_free(pointer); }
void operator delete(void* pointer, size_t) noexcept { counted_free(pointer); }
void operator delete[](void* pointer, size_t) noexcept { counted_free(pointer); }

namespace quorvane {
namespace {

struct MemoryCase {
    const char* name;
    std::string unit;  // repeated to about 1 MB
};

void PrintTo(const MemoryCase& c, std::ostream* os) { *os << c.name; }

class XmlTreeMemory : public ::testing::TestWithParam<MemoryCase> {};

// Whatever the bytes, a load's memory stays a small multiple of the input
// (the worst inputs are nothing but tiny elements).
TEST_P(XmlTreeMemory, PeakStaysASmallMultipleOfTheInput) {
    std::string input;
    while (input.size() < 1000000) {
        input += GetParam().unit;
    }
    for (int quote_aware = 0; quote_aware < 2; ++quote_aware) {
        XmlTree tree;
        const size_t before = current_bytes.load();
        peak_bytes.store(before);
        tree.load(input, 0, quote_aware);
        const size_t peak = peak_bytes.load() - before;
        std::printf("%-22s quote_aware %d: peak %.1f x input\n", GetParam().name, quote_aware,
                    static_cast<double>(peak) / static_cast<double>(input.size()));
        EXPECT_LT(peak, 24 * input.size())
            << "quote_aware " << quote_aware << ": " << peak << " bytes for " << input.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, XmlTreeMemory,
                         ::testing::Values(MemoryCase{"empty_elements", "<a/>"},
                                           MemoryCase{"open_elements", "<a>"},
                                           MemoryCase{"closed_elements", "<a></a>"},
                                           MemoryCase{"attributes", "<a b=1 c=\"2\"/>"},
                                           MemoryCase{"collapsed_attributes", "<a b = 1/>"},
                                           MemoryCase{"cdata_sections", "<a><![CDATA[]]></a>"},
                                           MemoryCase{"lone_brackets", "<"},
                                           MemoryCase{"quotes", "<a b=\"<\"/>"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane
