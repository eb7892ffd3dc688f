// Resource identifiers of Tessary.dll (plain #defines: windres reads this).
#pragma once

#define IDS_PROJNAME 100
#define IDR_BUSINESSCONTACT 102
#define IDR_VCARDSTREAM 103
#define IDR_VCARDCONTACT 104
