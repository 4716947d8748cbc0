// File > Station settings: the station's site and equinox, edited and saved in the settings
// store that the telescope-control program reads, so both programs agree on the site.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "details/Detailsunit.h"
#include "details/Stationunit.h"
#include "settings/Siteunit.h"

void TForm1::miStationClick() {
    TStationForm form(this, SiteOf(Station), WriteSite);
    Dialogs->ExecModal(form);
    // What was saved is what counts: the dialog closes on OK only once the store has it.
    if (!form.SavedSite())
        return;
    Station = WithSite(Station, *form.SavedSite());
    UseStationCalibration(); // the next Measure line gives N(HI) with it, or says it is missing
    if (DetailsForm)
        DetailsForm->SetStation(Station);
    // The side panel and the VLSR stay those of the details last applied, so that the VLSR
    // shown and the site shown with it never disagree.
    ShowStatusMessage(Session.AppliedDetails()
                          ? "Station settings saved: the next details applied use the new site."
                          : "Station settings saved.");
}
