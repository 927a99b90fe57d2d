# Prints a C++ source with its comments and the insides of its string and
# character literals blanked out, line for line, so that what the checks match
# is code and the line numbers they print stay true.
BEGIN { state = "code" }
{
    line = $0; out = ""; n = length(line); i = 1
    while (i <= n) {
        c = substr(line, i, 1); two = substr(line, i, 2)
        if (state == "block") {
            if (two == "*/") { state = "code"; out = out "  "; i += 2 } else { out = out " "; i++ }
        } else if (state == "raw") {
            if (substr(line, i, length(rawEnd)) == rawEnd) {
                state = "code"; out = out "\""; i += length(rawEnd)
            } else { out = out " "; i++ }
        } else if (two == "//") {
            break
        } else if (two == "/*") {
            state = "block"; out = out "  "; i += 2
        } else if (c == "R" && substr(line, i + 1, 1) == "\"" && substr(line, i - 1, 1) !~ /[A-Za-z0-9_]/) {
            open = index(substr(line, i + 2), "(")
            rawEnd = ")" substr(line, i + 2, open - 1) "\""
            state = "raw"; out = out "R\""; i += 2 + open
        } else if (c == "\"" || c == "'") {
            out = out c; i++
            while (i <= n && substr(line, i, 1) != c) {
                if (substr(line, i, 1) == "\\") i++
                i++
            }
            out = out c; i++
        } else {
            out = out c; i++
        }
    }
    print out
}
