// record_args.exe: the external program of the information-command tests. It writes its
// command line, its current folder and its arguments, one a line, to the file named by
// the environment variable RECORD_ARGS_OUT (whole: written aside, then renamed).
#include <windows.h>

#include <stdio.h>
#include <string>

int main(int argc, char **argv)
{
    char path[MAX_PATH], folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("RECORD_ARGS_OUT", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return 1;
    std::string part = std::string(path) + ".part";
    FILE *f = fopen(part.c_str(), "wb");
    if (!f)
        return 1;
    GetCurrentDirectoryA(sizeof folder, folder);
    fprintf(f, "%s\n%s\n", GetCommandLineA(), folder);
    for (int i = 1; i < argc; i++)
        fprintf(f, "%s\n", argv[i]);
    fclose(f);
    return MoveFileA(part.c_str(), path) ? 0 : 1;
}
