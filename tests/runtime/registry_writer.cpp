// Registers count classes in the registry file named on the command line,
// one update each, so that several of these running at once interleave
// their updates: registry_writer REGISTRY FIRST COUNT. The class ids and
// program ids are made from the numbers FIRST … FIRST+COUNT-1.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pelt/runtime/registry.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: registry_writer REGISTRY FIRST COUNT\n");
    return 2;
  }
  const int first = std::atoi(argv[2]);
  const int count = std::atoi(argv[3]);
  for (int n = first; n < first + count; ++n) {
    char id_text[40];
    std::snprintf(id_text, sizeof id_text, "%08x-0000-4000-8000-000000000000", n);
    pelt::runtime::ClassEntry entry;
    entry.id = *pelt::runtime::ParseUuid(id_text);
    entry.program_id = "Writer.Class" + std::to_string(n);
    entry.library = "/opt/writer/lib" + std::to_string(n) + ".so";
    std::string message;
    const pelt::runtime::Result r =
        pelt::runtime::RegisterClasses(argv[1], {entry}, std::nullopt, &message);
    if (pelt::runtime::Failed(r)) {
      std::fprintf(stderr, "registry_writer: %s\n", message.c_str());
      return 1;
    }
  }
  return 0;
}
