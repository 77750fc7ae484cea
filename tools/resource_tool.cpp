// Lists and extracts the resources a module file carries, for quiz hosts.
//
//   qzres list FILE                     one line per resource: TYPE NAME SIZE
//   qzres extract FILE TYPE NAME [OUT]  the resource's bytes, to OUT or stdout
//
// Names are matched with letter case ignored; a name of decimal digits is an
// integer identifier ("100").
#include <fstream>
#include <iostream>
#include <string>

#include "platform/resource_file.hpp"

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "list" && argc == 3) {
      const qz::platform::ResourceFile file(argv[2]);
      for (const auto& resource : file.list()) {
        std::cout << resource.type << ' ' << resource.name << ' ' << resource.size << '\n';
      }
      return 0;
    }
    if (command == "extract" && (argc == 5 || argc == 6)) {
      const qz::platform::ResourceFile file(argv[2]);
      const std::string bytes = file.read(argv[3], argv[4]);
      if (argc == 6) {
        std::ofstream out(argv[5], std::ios::binary);
        out << bytes;
        if (!out.flush()) {
          throw std::runtime_error(std::string("cannot write ") + argv[5]);
        }
      } else {
        std::cout << bytes;
      }
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << "qzres: " << error.what() << '\n';
    return 1;
  }
  std::cerr << "usage: qzres list FILE\n       qzres extract FILE TYPE NAME [OUT]\n";
  return 2;
}
