// The --help text of kelvane-batch, kept apart from the parsing of the options it describes.
#include "batch/Batchoptions.h"

std::string BatchUsage() {
    return R"(Usage: kelvane-batch [options] FILE|FOLDER...
       kelvane-batch [options] --files-from LIST [-0] [FILE|FOLDER...]
       kelvane-batch --average OUT.txt [--galactic B,L | --equatorial RA,DEC] [--force] [-q]
                     FILE|FOLDER...

Processes spectrum data files as the Kelvane window does, one after another: reads each file,
takes the source position, computes the VLSR for the observation's time and the station's site,
fits a baseline polynomial to the samples outside the line window(s), subtracts it, and writes
the spectrum as File > Save as would. Then writes summary.csv with one row per file.

A FOLDER stands for the spectrum files directly inside it (not those of its subfolders): those
whose names match --pattern (*.dat, any case, by default), in the order the window browses a
folder in (runs of digits as numbers: G0_60.0 before G0_120.0); names that begin with a dot
are left out. A matching entry that is not a regular file (a subfolder, a FIFO) gets its row
with the reason.

Options:
  --fit-outside LO:HI  a line window on the chosen axis: samples with LO <= x <= HI are left
                       out of the baseline fit (repeatable; samples of exactly 0 are never
                       fitted). Units as the saved file's x column: Hz from 1420405751 Hz
                       (frequency), metres from 0.2110611 m (wavelength), km/s (velocities).
  --fit-outside auto   the line window found in each file's own spectrum (the default): a
                       baseline fitted, the channels that stand above it by 3 x the robust
                       rms taken out and widened by 5 km/s, fitted again until none changes
  --dispersion KMS     the gas's velocity dispersion at the tangent point, for the terminal
                       velocity (default 8 km/s)
  --terms N            coefficients of the baseline polynomial; without it, as many from 1
                       to 4 as the line-free channels support (Bayesian information
                       criterion). The terminal velocity always stands on the supported
                       baseline
  --smooth KIND        smooth each spectrum after its baseline's subtraction: hanning (1/4,
                       1/2, 1/4), boxcar:N (N channels, odd) or gauss:KMS (a Gaussian of that
                       FWHM in km/s); the saved header says so ("Smoothing = "), and the
                       integral's uncertainty counts the channels the smoothing correlates
  --gaussians N|auto   fit N Gaussian components to each corrected spectrum (velocity minus
                       VLSR), or as many as the Bayesian information criterion asks for (auto,
                       at most 8); components.csv gets one row per component (see below)
  --axis AXIS          frequency, wavelength, velocity or vlsr (velocity minus VLSR, the
                       default): the x column of the output and the axis of the windows
  --galactic B,L       source position for every file: galactic latitude and longitude
  --equatorial RA,DEC  source position for every file: right ascension (hours) and
                       declination (degrees), at the station's equinox
                       Angles are sexagesimal (19:59:28, -5:30) or decimal (19.991, -5.5),
                       rounded to whole seconds. Without either, the position comes from each
                       file's name (G<lat>_<long>, as the window reads it).
  --average OUT.txt    average the files instead, repeated scans of one source: each is read,
                       its VLSR computed for its own time, its signal shifted onto the first
                       file's velocity-minus-VLSR channels (linear interpolation; channels
                       that not every file covers are dropped; samples of exactly 0 count as
                       missing) and averaged. OUT.txt is written as File > Average files and
                       Save as write it, its header naming each file and its VLSR. A file
                       that cannot be read or has no position, files more than 0.5 deg apart
                       on the sky, or one file given twice fail the run and nothing is
                       written; --force replaces neither one of the files nor a FIFO or
                       device. --galactic or --equatorial gives the position of the files
                       whose names carry none. The final line (on standard error, not with
                       -q) gives the files, the channels kept and their velocity span.
  --site LAT,LONG[,ELEV]
                       the station's site for this run instead of the stored one: latitude
                       and longitude in decimal degrees, negative south and west (54.148,
                       -2.295), rounded to whole seconds; elevation in metres (without it,
                       the stored elevation). The equinox stays the stored one.
  -o, --out DIR        folder for the outputs and summary.csv (default: the current folder;
                       created if missing)
  --png                also write the graph as a PNG picture
  --svg                also write the graph as an SVG drawing
  --rotation-curve     also write the rotation curve of the Galaxy from the files' terminal
                       velocities: rotation-curve.csv and rotation-curve.png (see below)
  --lv-diagram         also draw the longitude-velocity diagram of the files within 2 degrees
                       of the plane: lv-diagram.png and lv-diagram.svg (see below)
  --fits               also write each spectrum as a FITS file (NAME.fits), and with
                       --lv-diagram the diagram as a FITS image (lv-diagram.fits)
  --r0 KPC             the Sun's distance from the Galactic centre (default 8.5 kpc)
  --v0 KMS             the Sun's circular speed (default 220 km/s), also for the diagram's
                       flat rotation curve
  --files-from LIST    also the files named in LIST, one path a line (empty lines are
                       skipped, a CR before the line end dropped), after those of the command
                       line; - reads the list from standard input. For a survey too large for
                       the command line. A list of more than 64 MiB or 1,000,000 paths, or
                       a line that holds a NUL byte, is refused.
  -0, --null           the paths of LIST each end with a NUL byte, not a line end, as
                       find -print0 writes them (names may then hold line ends)
  --pattern GLOB       the files of a FOLDER: names that match GLOB (shell wildcards * ? [...],
                       any case; default *.dat, the control program's spectrum files)
  -j, --jobs N         files processed at once (default: one per processor core)
  --force              replace outputs that already exist (otherwise such a file fails)
  -q, --quiet          no progress bar and no final line
  -h, --help           show this text
  --version            show the version

Outputs, for FILE named NAME.EXT: DIR/NAME.txt (and NAME.png, NAME.svg, NAME.fits), written through a
temporary file (.kelvane-*.tmp) and renamed into place when complete. A run removes from DIR
the temporary files that a run killed earlier left behind (whose process has ended).

summary.csv (RFC 4180, a header row): file, observation time (ISO 8601, UT), galactic and
equatorial position, VLSR (km/s), correlation, coefficients, rms of the corrected signal outside
the window(s) (1.4826 x the median absolute deviation), peak signal inside the window(s) and its
velocity minus VLSR, integrated signal over the window(s) (signal x km/s), the terminal velocity
and its 1-sigma uncertainty, then that uncertainty's statistical part (the noise) and systematic
part (the dispersion, a thinned tangent point, a broad wing, the local gas) whose sum in
quadrature it is (km/s, minus VLSR: the line's most positive edge at longitudes 0 to
90 degrees, its most negative at 270 to 360, empty elsewhere), the line's most positive and most
negative edges whatever the longitude, why there is no terminal velocity, the line windows used
([LO:HI] on the chosen axis), the integral's 1-sigma uncertainty, the column density N(HI) =
1.823e18 x integral of T_B dv (cm^-2, optically thin gas; a lower limit where the line is
thick) with its uncertainty when the station settings give the receiver's kelvin per count,
else why not; with --gaussians the components kept and dropped; and the error text of a file
that failed.

With --gaussians, components.csv (RFC 4180, a header row) has one row per component per file,
in the order of the files: file, component number, amplitude, centre and FWHM (km/s, minus
VLSR) each with its 1-sigma uncertainty, area (signal x km/s), and status: kept, dropped (with
the reason: amplitude under 3 sigma, FWHM under two channels) or failed (with why).

The terminal velocity is fitted to the line's far edge: gas near the tangent point piles up in
velocity as (Vt - v)^-1/2 (velocity crowding), seen through a Gaussian of the dispersion; the
edge of that shape falls to half about 0.7 dispersions beyond Vt. The edge is followed outward
from the line's peak over contiguous channels, so noise elsewhere gives none; a line that runs
into the end of the window or of the band, or whose baseline was fitted on one side only,
gives none, with the reason. The method assumes a flat rotation curve near the tangent point
and the dispersion given. A text field (a file name, an error, a reason) that begins with =, +, -, @,
a tab or a carriage return gets an apostrophe before it, inside quotes, so that a spreadsheet
never takes it for a formula; numbers are written as they are.

With --rotation-curve, every file within 2 degrees of the Galactic plane at a longitude of 0
to 90 degrees (first quadrant) or 270 to 360 degrees (fourth quadrant) that has a terminal
velocity gives a point of the curve: R = R0 |sin l| (kpc) and V = Vt + V0 sin l, Vt being the
terminal velocity of the summary, or in the fourth quadrant V = -Vt + V0 |sin l|.
rotation-curve.csv (RFC 4180, a header row) has a row per file in the order given: file,
galactic longitude and latitude, terminal velocity, R, V and its 1-sigma uncertainty, R0, V0,
and for a file that gives no point the reason why (empty otherwise). rotation-curve.png draws V
against R with error bars, and V0 as a dashed line. Both are written
when the run ends, as summary.csv is.

With --lv-diagram, every file that succeeded within 2 degrees of the plane gives a column of
the diagram: its corrected signal as colour (from the 1st to the 99th percentile of all
signals) against galactic longitude (growing to the left) and velocity minus VLSR, each
channel's velocity less the file's VLSR whatever --axis is. Each column reaches half-way to its
neighbours. White squares are the terminal velocities with their error bars; the red line is
that of a flat rotation curve, V0 (1 - |sin l|) in the first quadrant, -V0 (1 - |sin l|) in the
fourth. Written when the run ends; when no file qualifies, neither picture is written and
standard error says so.

Control characters in the names and texts shown on standard error are written escaped
(\x1b), bidirectional controls too (\u202e), so that every message is one line and no name can
act on the terminal or show as another.

Exit status: 0 when every file succeeded, 1 when some failed or the summary (or the
rotation curve, the diagram, or their flush to the disk, or this text on standard output)
could not be written, 2 for bad options (or a list of files that cannot be read), 130 when
interrupted (SIGINT, SIGTERM or SIGHUP). A file-size limit (ulimit -f) fails the outputs beyond
it with "File too large".
)";
}
