import java.awt.BorderLayout;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.FontMetrics;
import java.awt.Graphics;
import java.awt.Graphics2D;
import java.awt.GridLayout;
import java.awt.Image;
import java.awt.RenderingHints;
import java.awt.event.MouseAdapter;
import java.awt.event.MouseEvent;
import java.io.File;
import java.io.IOException;
import javax.imageio.ImageIO;
import javax.swing.BorderFactory;
import javax.swing.JButton;
import javax.swing.JComponent;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.SwingConstants;
import javax.swing.SwingUtilities;

/**
 * A window that plays a story: the scene's text, its image, and the three
 * choice buttons. It only draws; the story itself runs in SceneLogic.
 *
 * <pre>java -jar scene_player.jar [IMAGES-FOLDER]</pre>
 */
public final class ScenePlayer {
    private final SceneLogic logic = new SceneLogic(1);
    private final File images;
    private final JFrame frame = new JFrame("scene2java player");
    private final JLabel text = new JLabel("", SwingConstants.CENTER);
    private final Picture picture = new Picture();
    private final JButton[] buttons = {new JButton(), new JButton(), new JButton()};

    private ScenePlayer(File images) {
        this.images = images;
    }

    public static void main(String[] args) {
        File images = new File(args.length > 0 ? args[0] : "images");
        SwingUtilities.invokeLater(() -> new ScenePlayer(images).show());
    }

    private void show() {
        text.setFont(text.getFont().deriveFont(Font.PLAIN, 18f));
        text.setBorder(BorderFactory.createEmptyBorder(12, 16, 12, 16));
        text.setPreferredSize(new Dimension(640, 96));

        JPanel row = new JPanel(new GridLayout(1, 3, 8, 0));
        row.setBorder(BorderFactory.createEmptyBorder(8, 16, 12, 16));
        for (int i = 0; i < buttons.length; i++) {
            int index = i;
            buttons[i].addActionListener(event -> logic.pressButton(index));
            row.add(buttons[i]);
        }
        row.setPreferredSize(new Dimension(640, 56));

        JPanel content = new JPanel(new BorderLayout());
        content.add(picture, BorderLayout.CENTER);
        content.add(text, BorderLayout.NORTH);
        content.add(row, BorderLayout.SOUTH);
        // A click anywhere but on a button moves the story on.
        MouseAdapter click = new MouseAdapter() {
            @Override
            public void mouseClicked(MouseEvent event) {
                logic.clickWindow();
            }
        };
        content.addMouseListener(click);
        picture.addMouseListener(click);
        text.addMouseListener(click);

        logic.setListener(this::refresh);
        frame.setContentPane(content);
        frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
        frame.pack();
        frame.setLocationRelativeTo(null);
        logic.clickWindow(); // shows the first scene
        frame.setVisible(true);
    }

    private void refresh() {
        // HTML lets a long text wrap inside the label.
        text.setText("<html><div style='text-align:center'>" + escape(logic.text()) + "</div></html>");
        picture.show(logic.image());
        for (int i = 0; i < buttons.length; i++) {
            buttons[i].setText(logic.button(i).getText());
            buttons[i].setVisible(logic.button(i).isVisible());
        }
    }

    private static String escape(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;");
    }

    /** The scene's image from the images folder, or a placeholder that names it. */
    private final class Picture extends JComponent {
        private static final long serialVersionUID = 1L;
        private String name = "";
        private Image image;

        Picture() {
            setPreferredSize(new Dimension(640, 360));
        }

        void show(String newName) {
            if (!newName.equals(name)) {
                name = newName;
                image = load(newName);
            }
            repaint();
        }

        private Image load(String file) {
            if (file.isEmpty()) {
                return null;
            }
            try {
                return ImageIO.read(new File(images, file));
            } catch (IOException missing) {
                return null;
            }
        }

        @Override
        protected void paintComponent(Graphics g) {
            Graphics2D g2 = (Graphics2D) g;
            g2.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
            g2.setRenderingHint(RenderingHints.KEY_TEXT_ANTIALIASING, RenderingHints.VALUE_TEXT_ANTIALIAS_ON);
            int w = getWidth();
            int h = getHeight();
            if (image != null) {
                // Scaled to fit, keeping its proportions.
                double scale = Math.min((double) w / image.getWidth(null), (double) h / image.getHeight(null));
                int iw = (int) (image.getWidth(null) * scale);
                int ih = (int) (image.getHeight(null) * scale);
                g2.drawImage(image, (w - iw) / 2, (h - ih) / 2, iw, ih, null);
                return;
            }
            if (name.isEmpty()) {
                return;
            }
            g2.setColor(new Color(0xE8, 0xE8, 0xEC));
            g2.fillRoundRect(16, 8, w - 32, h - 16, 16, 16);
            g2.setColor(new Color(0x88, 0x88, 0x99));
            g2.drawRoundRect(16, 8, w - 32, h - 16, 16, 16);
            g2.drawLine(16, 8, w - 16, h - 8);
            g2.drawLine(16, h - 8, w - 16, 8);
            String caption = "image missing: " + name;
            g2.setFont(getFont() != null ? getFont().deriveFont(Font.BOLD, 16f) : new Font(Font.SANS_SERIF, Font.BOLD, 16));
            FontMetrics metrics = g2.getFontMetrics();
            int cw = metrics.stringWidth(caption) + 24;
            g2.setColor(new Color(0xE8, 0xE8, 0xEC));
            g2.fillRect((w - cw) / 2, h / 2 - metrics.getAscent(), cw, metrics.getHeight() + 8);
            g2.setColor(new Color(0x33, 0x33, 0x44));
            g2.drawString(caption, (w - cw) / 2 + 12, h / 2 + 4);
        }
    }
}
