// Stand-in program for launch tests: writes its working folder and its
// arguments, one per line, to the file named by $DT_RECORD_FILE. The file
// appears complete or not at all (written aside, then renamed).
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* out = std::getenv("DT_RECORD_FILE");
    if (!out)
        return 2;
    const std::string part = std::string(out) + ".part";
    FILE* f = std::fopen(part.c_str(), "w");
    if (!f)
        return 3;
    char cwd[PATH_MAX] = {};
    if (!getcwd(cwd, sizeof cwd))
        cwd[0] = '\0';
    std::fprintf(f, "cwd=%s\n", cwd);
    for (int i = 1; i < argc; ++i)
        std::fprintf(f, "arg=%s\n", argv[i]);
    std::fclose(f);
    return std::rename(part.c_str(), out) == 0 ? 0 : 4;
}
