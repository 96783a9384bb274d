// pcap and pcapng files: what the writer writes reads back (also as other tools write it), and
// every corrupt or cut file is refused with a reason instead of being read past its end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "sdk/simproto/pcap.h"

namespace {

std::string temp_path(const std::string& name) {
    return ::testing::TempDir() + "pcap_test_" + std::to_string(::getpid()) + "_" + name;
}

std::vector<uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<pcap::Record> sample() {
    std::vector<pcap::Record> recs(3);
    for (size_t i = 0; i < recs.size(); ++i) {
        recs[i].time_ns = 1700000000123456000ull + i * 1000;
        recs[i].bytes.assign(60 + i * 7, static_cast<uint8_t>(i + 1));
        recs[i].interface = static_cast<uint32_t>(i % 2);
    }
    return recs;
}

std::vector<uint8_t> write(const std::string& name, const std::vector<pcap::Record>& recs) {
    std::string path = temp_path(name);
    pcap::Writer w;
    std::string error;
    EXPECT_TRUE(w.open(path, {"port1", "cpu"}, &error)) << error;
    for (const pcap::Record& r : recs)
        EXPECT_TRUE(w.write(r));
    EXPECT_TRUE(w.close());
    std::vector<uint8_t> data = slurp(path);
    std::remove(path.c_str());
    return data;
}

TEST(Pcap, ClassicAndNgFilesReadBackWhatWasWritten) {
    for (const char* name : {"a.pcap", "a.pcapng"}) {
        std::vector<uint8_t> data = write(name, sample());
        std::vector<pcap::Record> back;
        std::string error;
        ASSERT_TRUE(pcap::parse(data.data(), data.size(), &back, &error)) << name << error;
        ASSERT_EQ(back.size(), 3u) << name;
        bool ng = std::string(name).ends_with("ng");
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(back[i].bytes, sample()[i].bytes);
            EXPECT_EQ(back[i].orig_len, sample()[i].bytes.size());
            EXPECT_EQ(back[i].time_ns, sample()[i].time_ns);  // microseconds survive
            EXPECT_EQ(back[i].interface, ng ? sample()[i].interface : 0u);
        }
    }
    pcap::Writer w;
    std::string error;
    EXPECT_FALSE(w.open("/nonexistent-dir/x.pcap", {}, &error));
    EXPECT_FALSE(error.empty());
}

TEST(Pcap, ReadsTheOtherByteOrderAndNanosecondFiles) {
    // A big-endian nanosecond file as another host writes it: one 4-byte record.
    std::vector<uint8_t> f = {
        0xA1, 0xB2, 0x3C, 0x4D, 0, 2, 0,    4,    0, 0, 0, 0,
        0,    0,    0,    0,    0, 0, 0xFF, 0xFF, 0, 0, 0, 1,  // snaplen, Ethernet
        0,    0,    0,    5,    0, 0, 0,    7,                 // 5 s 7 ns
        0,    0,    0,    4,    0, 0, 0,    9,                 // 4 of 9 bytes
        1,    2,    3,    4};
    std::vector<pcap::Record> r;
    std::string error;
    ASSERT_TRUE(pcap::parse(f.data(), f.size(), &r, &error)) << error;
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].time_ns, 5000000007ull);
    EXPECT_EQ(r[0].orig_len, 9u);
    EXPECT_EQ(r[0].bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(Pcap, CorruptFilesAreRefusedWithAReason) {
    std::vector<uint8_t> good = write("c.pcap", sample());
    std::vector<uint8_t> ng = write("c.pcapng", sample());
    std::vector<pcap::Record> r;
    std::string error;
    auto refused = [&](std::vector<uint8_t> d, const std::string& why) {
        error.clear();
        EXPECT_FALSE(pcap::parse(d.data(), d.size(), &r, &error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    };
    refused({}, "too short");
    refused({'h', 'e', 'l', 'l', 'o'}, "bad magic");
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 20), "header cut short");
    std::vector<uint8_t> d = good;
    d[20] = 105;  // 802.11
    refused(d, "not Ethernet");
    refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "record cut short");
    d = good;
    d[24 + 8] = 0xFF, d[24 + 9] = 0xFF;  // caplen above the original length
    refused(d, "bad record length");
    d = ng;
    d[4] = 0x0D;  // section block length not a multiple of 4
    refused(d, "bad block length");
    refused(std::vector<uint8_t>(ng.begin(), ng.end() - 3), "block");
    d = ng;
    // The first packet block names interface 9.
    size_t epb = 28 + 36 + 32;  // section, interface blocks ("port1" padded to 8, "cpu" to 4)
    d[epb + 8] = 9;
    refused(d, "undeclared interface");

    // Every cut of a valid file either parses (at a record boundary) or is refused.
    for (const std::vector<uint8_t>* file : {&good, &ng})
        for (size_t n = 0; n < file->size(); ++n) {
            std::vector<uint8_t> cut(file->begin(), file->begin() + n);
            if (!pcap::parse(cut.data(), cut.size(), &r, &error)) {
                EXPECT_FALSE(error.empty());
            }
        }
    // And random damage never makes the reader run past the end (AddressSanitizer).
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> bad = i % 2 ? ng : good;
        for (int k = 0; k < 3; ++k)
            bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
        pcap::parse(bad.data(), bad.size(), &r, &error);
    }
}

}  // namespace
