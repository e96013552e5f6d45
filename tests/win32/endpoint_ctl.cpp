// endpoint_ctl: shows and changes the stand-in endpoint's state.
//   endpoint_ctl [reset] [present=0|1] [default=0|1] [levelN=SCALAR] [muteN=0|1]
// applies the arguments in order (reset: the magic set, one device at 0.5,
// unmuted, not present, counts cleared) and prints the state on one line:
//   present P default D level0 L0 mute0 M0 level1 L1 mute1 M1 create N ...
// Levels are printed in whole percent of the scalar, as the tray shows them.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "endpoint_standin.h"

int main(int argc, char** argv)
{
    TStandinState* s = MapStandinState(nullptr);
    if (!s) {
        std::fprintf(stderr, "endpoint_ctl: cannot map the state file\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* eq = std::strchr(arg, '=');
        const char* value = eq ? eq + 1 : "";
        const size_t key = eq ? static_cast<size_t>(eq - arg) : std::strlen(arg);
        auto is = [&](const char* name) { return std::strlen(name) == key && std::strncmp(arg, name, key) == 0; };
        if (is("reset")) {
            std::memset(s, 0, sizeof *s);
            s->Level[0] = s->Level[1] = 0.5f;
            s->Magic = kStandinMagic;
        } else if (is("present")) {
            s->Present = std::atoi(value) != 0;
        } else if (is("default")) {
            s->Default = std::atoi(value) == 1 ? 1 : 0;
        } else if (is("level0") || is("level1")) {
            s->Level[arg[5] - '0'] = static_cast<float>(std::atof(value));
        } else if (is("mute0") || is("mute1")) {
            s->Muted[arg[4] - '0'] = std::atoi(value) != 0;
        } else {
            std::fprintf(stderr, "endpoint_ctl: unknown argument %s\n", arg);
            return 2;
        }
    }
    FlushViewOfFile(s, sizeof *s);
    std::printf("present %ld default %ld", s->Present, s->Default);
    for (int d = 0; d < 2; ++d)
        std::printf(" level%d %ld mute%d %ld", d, std::lround(s->Level[d] * 100.0), d, s->Muted[d]);
    for (int c = 0; c < kCallKinds; ++c)
        std::printf(" %s %ld", kStandinCallNames[c], s->Calls[c]);
    std::printf("\n");
    return 0;
}
