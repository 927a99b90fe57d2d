#!/bin/sh
# The checks themselves: on a small tree with known faults each must fail and
# name exactly the faulty lines, and pass what only looks like a fault.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/Universal" "$tree/Common/Linux" "$tree/Common/ClassLib" "$tree/app"

cat > "$tree/Universal/Low.cpp" <<'SOURCE'
#include "Universal/Forward.h"
#include "Common/objects.h"
#include "Beside.h"
SOURCE
cat > "$tree/Common/ClassLib/Lib.cpp" <<'SOURCE'
#include "Common/objects.h"
#include "Common/Image/loaderX86.h"
SOURCE
cat > "$tree/app/App.cpp" <<'SOURCE'
#include "Common/ClassLib/Thread.h"
  #  include "Common/Image/ImageUnwind.h"
void close(int descriptor);
int f(File& file, const char* p) {
    // stat(p) in a comment, and "open(" in a text
    file.open("x"); file->read(1); Reader::read(2);
    if (stat(p, nullptr) == 0) return ::close(3);
    std::rename(p, "q");
    /* mmap(
       dlopen( */ return pthread_create(nullptr, nullptr, nullptr, nullptr);
}
SOURCE
cat > "$tree/Common/Linux/Platform.cpp" <<'SOURCE'
int g() { return open("/dev/null", 0); }
SOURCE

check() {
    name=$1
    expected=$2
    if out=$("$here/$name" "$tree"); then
        echo "$name passed a tree with faults"; exit 1
    fi
    got=$(echo "$out" | cut -d: -f1,2 | paste -sd' ')
    if [ "$got" != "$expected" ]; then
        echo "$name named '$got', expected '$expected':"; echo "$out"; exit 1
    fi
}
check layers.sh 'Common/ClassLib/Lib.cpp:2 Universal/Low.cpp:2 app/App.cpp:2'
check system-calls.sh 'app/App.cpp:7 app/App.cpp:8 app/App.cpp:10'
echo "both checks catch their faults"
