import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/**
 * Drives the scene logic without a display, through the clicks and button
 * presses listed in a file, and prints the state after each one.
 *
 * <pre>java SceneWalk WALK-FILE</pre>
 *
 * A walk file has one action a line: "click" (anywhere in the window) or
 * "press N" (button N); blank lines and lines starting with # are skipped.
 */
public final class SceneWalk {
    public static void main(String[] args) throws IOException {
        if (args.length != 1) {
            System.err.println("usage: SceneWalk WALK-FILE");
            System.exit(2);
        }
        List<String> actions = Files.readAllLines(Path.of(args[0]), StandardCharsets.UTF_8);
        SceneLogic logic = new SceneLogic(1);
        StringBuilder trace = new StringBuilder();
        int step = 0;
        for (String raw : actions) {
            String action = raw.strip();
            if (action.isEmpty() || action.startsWith("#")) {
                continue;
            }
            if (action.equals("click")) {
                logic.clickWindow();
            } else if (action.startsWith("press ")) {
                logic.pressButton(Integer.parseInt(action.substring(6).strip()));
            } else {
                throw new IllegalArgumentException("unknown action: " + action);
            }
            trace.append(String.format("%d. %s%n", ++step, action));
            trace.append(String.format("   scene %d, image \"%s\"%n", logic.scene(), logic.image()));
            trace.append(String.format("   text: %s%n", logic.text()));
            StringBuilder shown = new StringBuilder();
            for (int i = 0; i < 3; i++) {
                if (logic.button(i).isVisible()) {
                    shown.append(" [").append(logic.button(i).getText()).append(']');
                }
            }
            trace.append(String.format("   buttons:%s%n", shown.length() == 0 ? " none" : shown.toString()));
        }
        System.out.write(trace.toString().getBytes(StandardCharsets.UTF_8));
        System.out.flush();
    }
}
