// The grid benchmark's libvips anchor: the combination picture as one
// libvips pipeline in one process. Every shot is shrunk on load and resized
// to its drawn size, laid onto a white canvas at its corner, the template
// goes over them, and the picture is saved.
//
//   VipsGridAnchor TEMPLATE OUT QUALITY [SHOT W H X Y]...

#include <cstdlib>
#include <vips/vips.h>

int main(int argc, char **argv)
{
    if (argc < 9 || (argc - 4) % 5 != 0 || VIPS_INIT(argv[0]))
        return 2;
    const int quality = atoi(argv[3]);
    VipsImage *frame = vips_image_new_from_file(argv[1], "access", VIPS_ACCESS_SEQUENTIAL, NULL);
    VipsImage *black, *canvas;
    if (!frame || vips_black(&black, frame->Xsize, frame->Ysize, "bands", 3, NULL)
        || vips_linear1(black, &canvas, 0, 255, "uchar", TRUE, NULL))
        vips_error_exit(NULL);
    for (int i = 4; i < argc; i += 5) {
        VipsImage *shot, *laid;
        if (vips_thumbnail(argv[i], &shot, atoi(argv[i + 1]), "height", atoi(argv[i + 2]), "size", VIPS_SIZE_FORCE, NULL)
            || vips_insert(canvas, shot, &laid, atoi(argv[i + 3]), atoi(argv[i + 4]), NULL))
            vips_error_exit(NULL);
        canvas = laid;
    }
    VipsImage *composed, *rgb;
    if (vips_composite2(canvas, frame, &composed, VIPS_BLEND_MODE_OVER, NULL)
        || vips_extract_band(composed, &rgb, 0, "n", 3, NULL)
        // chroma halved as the program does
        || vips_jpegsave(rgb, argv[2], "Q", quality, "subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON, NULL))
        vips_error_exit(NULL);
    return 0;
}
