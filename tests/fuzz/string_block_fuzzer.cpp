// Arbitrary string-table blocks and identifiers through the block walk.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "ui/message_catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace setup;
  fuzzing::FuzzInput input(data, size);
  const std::uint16_t id = input.Unit();
  const std::u16string block = input.Rest();
  const std::optional<std::u16string> entry = FindStringEntry(block, id);
  if (entry && (entry->empty() || entry->size() >= block.size())) std::abort();
  return 0;
}
