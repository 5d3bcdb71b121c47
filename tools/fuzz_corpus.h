// The seed corpus of the fuzz targets, copied and derived from a freshly written sample base
// directory: make_sample_data <folder> --fuzz-corpus <corpus folder> (the checked-in corpus is
// fuzz/corpus). Each target gets a folder of its own name with a few small seeds.
#pragma once

#include <string>

namespace fuzz_corpus {

// Writes the seeds into corpus/<target>/ from the sample files under sampleRoot (written before),
// replacing the seeds of earlier runs. False with a message naming what failed.
bool WriteFuzzCorpus(const std::string& sampleRoot, const std::string& corpus, std::string& error);

}  // namespace fuzz_corpus
