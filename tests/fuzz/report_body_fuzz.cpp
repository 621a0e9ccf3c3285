// The install report's form body for any texts a record can hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "report/report.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {

// The adapter list is read through Windows; the record below fills its address itself.
int FormatAdapterMac(char*) {
    return 0;
}

namespace {

// Time and address from the input, as much of each as its field holds, the way a derived record may
// fill them.
struct FuzzRecord : CMakePackage {
    std::string timeText, macText;
    void FillTime() override { std::snprintf(time, sizeof time, "%s", timeText.c_str()); }
    void FillMac() override { std::snprintf(mac, sizeof mac, "%s", macText.c_str()); }
};

std::string Cut(const char* text, size_t fieldSize) {
    return std::string(text).substr(0, fieldSize - 1);
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    FuzzedDataProvider in(data, size);
    FuzzRecord record;
    const int type = in.ConsumeIntegral<int>();
    record.timeText = in.ConsumeRandomLengthString(80);
    record.macText = in.ConsumeRandomLengthString(80);
    record.Build(type);

    // The setters walk a block of two zero-terminated texts: the rest of the input, ended by two NULs in a
    // heap block of exactly that size, so that a read past them is caught.
    const std::string rest = in.ConsumeRemainingBytesAsString();
    std::unique_ptr<char[]> block(new char[rest.size() + 2]());
    std::copy(rest.begin(), rest.end(), block.get());
    const char* apkid = block.get();
    const char* info = record.SetApkid(apkid);
    FUZZ_CHECK(info == apkid + std::strlen(apkid) + 1);
    FUZZ_CHECK(record.SetAdditionalInfo(info) == info + std::strlen(info) + 1);

    // The body is rendered into 1024 bytes and would come back cut at 1023; the fields' sizes keep every
    // body shorter than that, so it always is the whole form.
    const std::string body = FormatReportBody(record);
    const std::string want = "type=" + std::to_string(type) +
                             "&time=" + Cut(record.timeText.c_str(), sizeof record.time) +
                             "&mac=" + Cut(record.macText.c_str(), sizeof record.mac) +
                             "&apkid=" + Cut(apkid, sizeof record.apkid) +
                             "&AdditionalInfo=" + Cut(info, sizeof record.AdditionalInfo);
    FUZZ_CHECK(body == want);
    FUZZ_CHECK(body.size() < 1024);
    return 0;
}
