/* The floor for lectavo's success path: write the same two-line script atomically
 * (temporary file, fsync, rename, fsync of the folder) and start a program detached in
 * a new session without waiting. usage: open_manual FOLDER PROGRAM */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    char script[4096], temporary[4096], line[4200];
    snprintf(script, sizeof script, "%s/StartManual.cmd", argv[1]);
    snprintf(temporary, sizeof temporary, "%s/.StartManual.cmd.tmp", argv[1]);
    int length = snprintf(line, sizeof line, "rem @echo off\r\n%s/HarvaneManual.pdf\r\n", argv[1]);
    int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, line, (size_t)length) != length || fsync(fd) != 0) return 1;
    close(fd);
    if (rename(temporary, script) != 0) return 1;
    int folder = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    fsync(folder);
    close(folder);
    pid_t child = fork();
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0), dup2(null, 1), dup2(null, 2);
            execl(argv[2], argv[2], (char*)NULL);
            _exit(127);
        }
        _exit(0);
    }
    waitpid(child, NULL, 0);
    return 0;
}
