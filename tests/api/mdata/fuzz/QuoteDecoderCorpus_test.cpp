// Replays the quote-decoder fuzz corpus through the fuzz target, so that every
// build checks the decoders against the reference model on these inputs; the
// target aborts on the first difference.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(QuoteDecoderCorpus, EveryInputAgreesWithTheReferenceModel) {
    const std::string dir = TRV_QUOTE_DECODER_CORPUS;
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr) << dir;
    int inputs = 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(dir + "/" + e->d_name, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(e->d_name);
        EXPECT_EQ(0, LLVMFuzzerTestOneInput(bytes.data(), bytes.size()));
        ++inputs;
    }
    closedir(d);
    EXPECT_GT(inputs, 0);
}
