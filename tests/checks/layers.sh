#!/bin/sh
# Fails on an include that runs up the layers, printing each offending
# file:line. Usage: layers.sh <source root>
# The folders are layers, bottom up: Universal/, Common/Linux/, Common/ (the
# runtime core), Common/ClassLib/, Common/Image/, app/. A file may include its
# own layer and the ones listed for it below; a lower layer names records from
# above only through Universal/Forward.h, which sits at the bottom. Folders not
# listed (host/, tools/, tests/, ...) stand above them all.
set -eu
root=${1:?usage: layers.sh <source root>}

# layer              what it may include besides itself
layers='
Universal/           -
Common/Linux/        Universal/
Common/              Common/Linux/ Universal/
Common/ClassLib/     Common/ Common/Linux/ Universal/
Common/Image/        Common/ClassLib/ Common/ Common/Linux/ Universal/
app/                 Common/ClassLib/ Common/ Common/Linux/ Universal/
'

cd "$root"
find Universal Common app -name '*.cpp' -o -name '*.h' -o -name '*.inc' 2>/dev/null | sort | xargs awk -v table="$layers" '
    # The layer of a path: the longest folder of the table it lies in.
    function layerOf(path,    name, best) {
        best = ""
        for (name in may) if (index(path, name) == 1 && length(name) > length(best)) best = name
        return best
    }
    BEGIN {
        rows = split(table, row, "\n")
        for (r = 1; r <= rows; ++r) {
            n = split(row[r], word, " ")
            if (n == 0) continue
            may[word[1]] = " " word[1] " "
            for (w = 2; w <= n; ++w) may[word[1]] = may[word[1]] word[w] " "
        }
    }
    FNR == 1 { own = layerOf(FILENAME) }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
        included = $0
        sub(/^[^"]*"/, "", included)
        sub(/".*/, "", included)
        target = layerOf(included)
        # A header beside the file, or one outside the layers, has no layer.
        if (target != "" && index(may[own], " " target " ") == 0) {
            print FILENAME ":" FNR ": " own " includes " included " from the layer " target " above it"
            failed = 1
        }
    }
    END { exit failed }' || exit 1
