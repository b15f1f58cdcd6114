# The same translation as scene2java, written the way a user would in awk.
# Run with LC_ALL=C so that bytes stay bytes.
BEGIN { FS = "\t"; first = 1 }
{
    line = $0
    if (first) { sub(/^\357\273\277/, "", line); first = 0 }
    sub(/\r.*/, "", line)
    n = split(line, f, "\t")
    if (n == 0) { n = 1; f[1] = "" }
    printf "if( m_scene == %s ){\n", f[1]
    if (n < 2) next
    kind = substr(f[2], 1, 1)
    if (kind == "T") {
        if (n < 3) next
        printf "\tm_scene = %s;\n", f[3]
        if (n < 4) next
        printf "\tsetText( jl0, \"%s\" );\n", f[4]
        if (n >= 5) printf "\tsetImage( \"%s\" );\n", f[5]
        printf "\trepaint();\n\treturn;\n}\n"
    } else if (kind == "B") {
        if (n < 3) next
        printf "\tm_scene = %s;\n", f[3]
        if (n < 4) next
        printf "\tjb[ 0 ].setVisible( true );\n\tjb[ 1 ].setVisible( true );\n\tjb[ 2 ].setVisible( true );\n"
        printf "\tsetText( jb, \"%s\" );\n\trepaint();\n\treturn;\n}\n", f[4]
    } else if (kind == "C") {
        if (n < 3) next
        k = split(f[3], item, ",")
        if (k == 0) { k = 1; item[1] = "" }
        for (i = 1; i <= k; i++) {
            printf "\tif( e.getSource() == jb[ %d ] ){\n\t\tm_scene = %s;\n", i - 1, item[i]
            printf "\t\tjb[ 0 ].setVisible( false );\n\t\tjb[ 1 ].setVisible( false );\n\t\tjb[ 2 ].setVisible( false );\n\t}\n"
        }
        printf "}\n"
    }
}
