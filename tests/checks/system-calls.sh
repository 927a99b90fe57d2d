#!/bin/sh
# Fails on a call of the system outside the platform modules, printing each
# offending file:line. Usage: system-calls.sh <source root>
# The platform modules wrap the kernel behind small functions; the rest of the
# runtime, the request processor and imagehost call those (tools/ are
# programs of their own beside the product). The names are matched as calls
# in code (comments and literals blanked): not as members (a.open(), p->stat()),
# qualified names (Foo::read) or declarations (void close()).
set -eu
root=${1:?usage: system-calls.sh <source root>}
here=$(cd "$(dirname "$0")" && pwd)

# Where system calls live.
platform='Common/Linux/ Universal/FileIO/ Universal/DateImp/'

# The calls, by kind. A trailing * matches every name with that prefix.
calls='
open openat creat close read write pread pwrite lseek dup dup2 dup3 fcntl ioctl pipe pipe2
stat lstat fstat fstatat statx access faccessat truncate ftruncate fsync fdatasync
unlink unlinkat rename renameat mkdir mkdirat rmdir chdir getcwd readlink readlinkat symlink link
chmod fchmod fchmodat chown fchown lchown umask flock lockf
opendir fdopendir readdir closedir getdents getdents64
mmap munmap mprotect madvise
dlopen dlsym dlclose dlerror dladdr dl_iterate_phdr
pthread_* sched_yield
clock_gettime gettimeofday nanosleep usleep times sysconf
fork vfork execve execv execvp setsid waitpid kill getpid _exit popen pclose sigaction sigprocmask
poll ppoll select epoll_wait
'

pattern=$(printf '%s\n' $calls | sed 's/\*$/[A-Za-z0-9_]*/' | paste -sd'|')
# What may stand before a call: the start of a line, an operator or bracket,
# a lone ":", or a "::" that qualifies nothing or std. After a keyword that can come
# before a call (return close(fd)) a ";" is put in, so it reads as a call.
before='(^|[(,=!|?;{}+/%~^[-]|&&|[^:]:|(^|[^:A-Za-z0-9_])(std)?::)'
keywords='s/(^|[^A-Za-z0-9_])(return|else|case|throw|do|co_return|co_await)([[:space:]]+)/\1\2;\3/g'
status=0
for file in $(cd "$root" && find Common Universal app host -name '*.cpp' -o -name '*.h' 2>/dev/null | sort); do
    skip=
    for folder in $platform; do case $file in "$folder"*) skip=1 ;; esac; done
    [ -n "$skip" ] && continue
    hits=$(awk -f "$here/code-only.awk" "$root/$file" | sed -E "$keywords" |
        grep -nE "$before[[:space:]]*($pattern)[[:space:]]*\\(" | cut -d: -f1) || true
    for line in $hits; do
        echo "$file:$line: system call outside the platform modules: $(sed -n "${line}p" "$root/$file" | sed 's/^[[:space:]]*//')"
        status=1
    done
done
exit $status
