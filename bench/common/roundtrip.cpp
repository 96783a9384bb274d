#include "bench/common/roundtrip.h"

#include "platform/common/types.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"

namespace bench {

std::vector<uint8_t> round_trip_message(uint16_t module) {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + 16, 0);
    ipcmsg::set_cmd(m.data(), module);
    ipcmsg::set_msg_size(m.data(), 16);
    return m;
}

void round_trips(benchmark::State& state, uint32_t key, const std::vector<uint8_t>& msg) {
    ipc::Client client;
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    for (auto _ : state) {
        if (client.request(key, msg.data(), msg.size(), resp.data(), resp.size(), &len, 2000) !=
            SYSFUN_OK) {
            state.SkipWithError("no response");
            break;
        }
    }
}

}  // namespace bench
