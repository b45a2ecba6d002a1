// A small program the process tests start as a child. Its arguments are steps run
// in order:
//   out TEXT      writes TEXT and a line feed to standard output
//   raw TEXT      writes TEXT without a line feed
//   err TEXT      writes TEXT and a line feed to standard error
//   cat           copies standard input to standard output until its end
//   echo-lines N  reads N lines and writes each back as "got: LINE"
//   bytes N       writes N bytes ("0123456789" repeated)
//   sleep MS      sleeps
//   pwd           writes the working directory
//   env NAME      writes NAME's value, or "(unset)"
//   args          writes each remaining argument between brackets, one per line, and stops
//   hang          sleeps for ever, ignoring SIGTERM and SIGINT
//   grandchild    starts a child of its own that hangs holding standard output
//   exit N        ends with exit code N
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static void Sleep(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1) {
    }
}

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    for (int i = 1; i < argc; ++i) {
        std::string step = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (step == "out") {
            std::printf("%s\n", value), ++i;
        } else if (step == "raw") {
            std::printf("%s", value), ++i;
        } else if (step == "err") {
            std::fprintf(stderr, "%s\n", value), ++i;
        } else if (step == "cat") {
            int c;
            while ((c = std::getchar()) != EOF)
                std::putchar(c);
        } else if (step == "echo-lines") {
            long n = std::atol(value);
            ++i;
            char line[4096];
            for (long k = 0; k < n && std::fgets(line, sizeof line, stdin); ++k) {
                line[std::strcspn(line, "\r\n")] = 0;
                std::printf("got: %s\n", line);
            }
        } else if (step == "bytes") {
            long n = std::atol(value);
            ++i;
            std::string block;
            for (long k = 0; k < n; ++k)
                block += static_cast<char>('0' + k % 10);
            std::fwrite(block.data(), 1, block.size(), stdout);
        } else if (step == "sleep") {
            Sleep(std::atol(value)), ++i;
        } else if (step == "pwd") {
            char buf[4096];
            std::printf("%s\n", getcwd(buf, sizeof buf) ? buf : "?");
        } else if (step == "env") {
            const char* v = std::getenv(value);
            std::printf("%s\n", v ? v : "(unset)"), ++i;
        } else if (step == "args") {
            for (++i; i < argc; ++i)
                std::printf("[%s]\n", argv[i]);
        } else if (step == "hang") {
            std::signal(SIGTERM, SIG_IGN);
            std::signal(SIGINT, SIG_IGN);
            for (;;)
                pause();
        } else if (step == "grandchild") {
            if (fork() == 0) {
                for (;;)
                    pause();
            }
        } else if (step == "exit") {
            return std::atoi(value);
        } else {
            std::fprintf(stderr, "echo_child: unknown step %s\n", step.c_str());
            return 100;
        }
    }
    return 0;
}
