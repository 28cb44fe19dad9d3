// Writes an LHA archive with one member per input file, compressed with the given method
// (-lh5- or -lh1-), through the jlha library (Debian libjlha-java). Used by run_bench.py to
// make the peers' inputs; run it as
//   java -cp /usr/share/java/jlha.jar bench/MakeLha.java METHOD ARCHIVE FILE...
import java.io.BufferedOutputStream;
import java.io.File;
import java.io.FileOutputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.util.Date;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;

public class MakeLha {
  public static void main(String[] args) throws Exception {
    if (args.length < 3) {
      System.err.println("usage: MakeLha -lh5-|-lh1- ARCHIVE FILE...");
      System.exit(2);
    }
    try (OutputStream file = new BufferedOutputStream(new FileOutputStream(args[1]));
         LhaOutputStream archive = new LhaOutputStream(file)) {
      for (int i = 2; i < args.length; ++i) {
        File input = new File(args[i]);
        LhaHeader header = new LhaHeader(input.getName(), new Date(0x40000000L * 1000));
        header.setCompressMethod(args[0]);
        archive.putNextEntry(header);
        archive.write(Files.readAllBytes(input.toPath()));
        archive.closeEntry();
      }
    }
  }
}
