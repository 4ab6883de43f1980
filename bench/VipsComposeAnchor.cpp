// The benchmark's libvips anchor: the composition job as one libvips
// pipeline in one process, the way a program built on libvips would do it.
// Shrink-on-load, embed on white, template over, label, save.
//
//   VipsComposeAnchor PHOTO TEMPLATE OUT CANVAS_W CANVAS_H SHRINK X Y QUALITY

#include <cstdlib>
#include <vips/vips.h>

int main(int argc, char **argv)
{
    if (argc != 10 || VIPS_INIT(argv[0]))
        return 2;
    const int canvasW = atoi(argv[4]), canvasH = atoi(argv[5]), shrink = atoi(argv[6]);
    const int x = atoi(argv[7]), y = atoi(argv[8]), quality = atoi(argv[9]);
    VipsImage *photo, *embedded, *frame, *composed, *text, *label, *labelled, *rgb;
    if (vips_jpegload(argv[1], &photo, "shrink", shrink, "access", VIPS_ACCESS_SEQUENTIAL, NULL)
        || vips_embed(photo, &embedded, x, y, canvasW, canvasH, "extend", VIPS_EXTEND_WHITE, NULL)
        || !(frame = vips_image_new_from_file(argv[2], "access", VIPS_ACCESS_SEQUENTIAL, NULL))
        || vips_composite2(embedded, frame, &composed, VIPS_BLEND_MODE_OVER, NULL)
        || vips_text(&text, " 1234", "font", "Liberation Sans Italic 34", "dpi", 72, NULL)
        || vips_invert(text, &label, NULL)
        || vips_insert(composed, label, &labelled, 5, 5, NULL)
        || vips_extract_band(labelled, &rgb, 0, "n", 3, NULL)
        // chroma halved as the other contenders do; libvips would keep it whole at this quality
        || vips_jpegsave(rgb, argv[3], "Q", quality, "subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON, NULL))
        vips_error_exit(NULL);
    return 0;
}
