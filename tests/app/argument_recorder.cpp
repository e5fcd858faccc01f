// Takes Voxtrel's place in the program-starter test: writes how many arguments it was given and
// its first one to a file named after itself (<program>.out), so that the test sees exactly what
// arrived, with no shell in between to split or run anything.
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? std::string(argv[1]) : std::string();
    const std::string program = argv[0];
    std::ofstream out(program + ".out", std::ios::binary);
    out << (argc - 1) << '|' << first;
    return out ? 0 : 1;
}
