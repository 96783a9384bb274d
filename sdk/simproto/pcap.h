// Packet capture files: reading the frames of a pcap or pcapng file (Ethernet link type) to
// inject them, writing captured frames for Wireshark and tcpdump. Classic pcap is written
// with microsecond stamps; pcapng with one interface per port, named after it, so a capture
// of several ports shows which port sent each frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pcap {

struct Record {
    uint64_t time_ns = 0;   // real time
    uint32_t orig_len = 0;  // length on the wire (the record may hold fewer bytes)
    std::vector<uint8_t> bytes;
    uint32_t interface = 0;  // pcapng: index of the interface it was captured on
};

// Reads every record of a file in memory. false, with a reason naming the offset, for a file
// that is not a pcap or pcapng file of Ethernet frames or is cut short or inconsistent.
bool parse(const uint8_t* data, size_t len, std::vector<Record>* out, std::string* error);
bool read_file(const std::string& path, std::vector<Record>* out, std::string* error);

// Writes records as they come. pcapng when the path ends in ".pcapng": interfaces[i] names
// interface i; classic pcap otherwise (interfaces are then not recorded).
class Writer {
  public:
    ~Writer();
    bool open(const std::string& path, const std::vector<std::string>& interfaces,
              std::string* error);
    bool write(const Record& r);
    bool close();

  private:
    std::FILE* f_ = nullptr;
    bool ng_ = false;
};

// Largest record either format is read with (bigger ones are refused as corrupt).
constexpr uint32_t kMaxRecord = 262144;

}  // namespace pcap
