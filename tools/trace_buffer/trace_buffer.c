/* Preloaded into the TeX engine while it typesets. The engine's file-search library
 * writes its trace (the files a run searched and found) to standard error, which
 * Quirn points at the trace file, and flushes it after every line: over a thousand
 * small writes for a short LaTeX document. Here standard error gets a large buffer
 * and those flushes are left out, so the trace reaches its file in a few writes, at
 * the latest when the engine ends.
 *
 * A child the engine starts (the font and file generation scripts) writes to the same
 * file; the buffer is written out before each child starts, so that its lines and the
 * engine's stay whole and in order. A run that is killed leaves what was written out
 * before (nothing of a short trace); its last line may be cut when the trace had
 * outgrown the buffer. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

/* Large enough for the trace of a long book, so that it is written only at the end;
 * a larger trace is written whenever the buffer fills. */
static char trace_buffer[1 << 21];

typedef int (*flush_fn)(FILE*);

static flush_fn real_fflush(void) {
    static flush_fn real;
    if (!real)
        real = (flush_fn)dlsym(RTLD_NEXT, "fflush");
    return real;
}

static void write_out_trace(void) {
    flush_fn flush = real_fflush();
    if (flush)
        flush(stderr);
}

__attribute__((constructor)) static void buffer_standard_error(void) {
    setvbuf(stderr, trace_buffer, _IOFBF, sizeof trace_buffer);
}

int fflush(FILE* stream) {
    flush_fn flush = real_fflush();
    if (stream == stderr)
        return 0;
    return flush ? flush(stream) : EOF;
}

pid_t fork(void) {
    static pid_t (*real)(void);
    if (!real)
        real = (pid_t(*)(void))dlsym(RTLD_NEXT, "fork");
    write_out_trace();
    return real ? real() : -1;
}

/* A wrapper cannot return into a vforked child safely; fork does the same job. */
pid_t vfork(void) {
    return fork();
}

typedef int (*spawn_fn)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                        const posix_spawnattr_t*, char* const[], char* const[]);

static int spawn_after_writing_out(const char* name, spawn_fn* real, pid_t* pid,
                                   const char* path, const posix_spawn_file_actions_t* actions,
                                   const posix_spawnattr_t* attr, char* const argv[],
                                   char* const envp[]) {
    if (!*real)
        *real = (spawn_fn)dlsym(RTLD_NEXT, name);
    write_out_trace();
    return *real ? (*real)(pid, path, actions, attr, argv, envp) : -1;
}

int posix_spawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                const posix_spawnattr_t* attr, char* const argv[], char* const envp[]) {
    static spawn_fn real;
    return spawn_after_writing_out("posix_spawn", &real, pid, path, actions, attr, argv, envp);
}

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attr, char* const argv[], char* const envp[]) {
    static spawn_fn real;
    return spawn_after_writing_out("posix_spawnp", &real, pid, file, actions, attr, argv, envp);
}

int system(const char* command) {
    static int (*real)(const char*);
    if (!real)
        real = (int (*)(const char*))dlsym(RTLD_NEXT, "system");
    write_out_trace();
    return real ? real(command) : -1;
}

FILE* popen(const char* command, const char* type) {
    static FILE* (*real)(const char*, const char*);
    if (!real)
        real = (FILE * (*)(const char*, const char*)) dlsym(RTLD_NEXT, "popen");
    write_out_trace();
    return real ? real(command, type) : NULL;
}
