import java.io.File;
import java.nio.file.Files;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import javax.tools.Diagnostic;
import javax.tools.DiagnosticCollector;
import javax.tools.JavaCompiler;
import javax.tools.JavaFileObject;
import javax.tools.StandardJavaFileManager;
import javax.tools.ToolProvider;

/**
 * Compiles every .java file of a folder on its own, in one JVM, as
 * {@code javac -encoding UTF-8} would, and prints one line per file: its
 * name, a TAB, and "ok" or "fail" with javac's first error.
 *
 * <p>A file counts as failed when the task fails or when javac reports any
 * error: the compiler API reports bytes that are not UTF-8 as an error even
 * where the task itself succeeds, while the command line fails on them.
 */
public final class CompileEach {
    private CompileEach() {
    }

    public static void main(String[] args) throws Exception {
        File folder = new File(args[0]);
        File classes = Files.createTempDirectory("compile-each").toFile();
        JavaCompiler compiler = ToolProvider.getSystemJavaCompiler();
        File[] sources = folder.listFiles((dir, name) -> name.endsWith(".java"));
        Arrays.sort(sources);
        for (File source : sources) {
            // The file manager reports undecodable bytes to its own listener
            // and reads them as -encoding says only when given no charset of
            // its own: one per file, with that file's listener.
            DiagnosticCollector<JavaFileObject> diagnostics = new DiagnosticCollector<>();
            boolean ok;
            try (StandardJavaFileManager files = compiler.getStandardFileManager(diagnostics, Locale.ROOT, null)) {
                List<String> options = List.of("-encoding", "UTF-8", "-proc:none", "-nowarn", "-d", classes.getPath());
                ok = compiler.getTask(null, files, diagnostics, options, null, files.getJavaFileObjects(source)).call();
            }
            String firstError = "";
            for (Diagnostic<? extends JavaFileObject> d : diagnostics.getDiagnostics()) {
                if (d.getKind() == Diagnostic.Kind.ERROR) {
                    ok = false;
                    if (firstError.isEmpty()) {
                        firstError = "line " + d.getLineNumber() + ": " + d.getMessage(Locale.ROOT).replace('\n', ' ');
                    }
                }
            }
            System.out.println(source.getName() + "\t" + (ok ? "ok" : "fail\t" + firstError));
        }
    }
}
