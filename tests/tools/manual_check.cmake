# Checks the manual: every message, title and caption a user can meet is
# quoted word for word, every file of the help project and every link target
# is there, and the compiled Manual.chm is a CHM file.
#   cmake -DMANUAL_DIR=<docs/manual> -DCHM=<bin/Manual.chm> -P manual_check.cmake

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()

# The visible text of all topics: tags dropped, entities decoded, runs of
# white space made one blank.
file(GLOB topics ${MANUAL_DIR}/*.htm)
set(text "")
foreach(topic ${topics})
  file(READ ${topic} page)
  string(APPEND text " ${page}")
endforeach()
string(REGEX REPLACE "<[^>]*>" "" text "${text}")
foreach(pair "&ldquo\\;|\"" "&rdquo\\;|\"" "&gt\\;|>" "&lt\\;|<" "&mdash\\;|-" "&amp\\;|&")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 entity)
  list(GET pair 1 char)
  string(REPLACE "${entity}" "${char}" text "${text}")
endforeach()
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")

set(quoted
  # message titles
  "Outlook Error" "Select Contacts Folder" "vCard File(s) Info" "Export Finished" "Completed..."
  # message texts (line breaks split them into these pieces)
  "Selected Folder: " "Found " " vCard files in the selected folder"
  "Outlook NOT Installed or Configured Properly."
  "You have selected " "Please select a Contacts folder."
  "Exported (" ") Contacts to vCard Files." ") Contacts could not be written." "Position " ", contact "
  " more."
  "The export was stopped before the last contact." "Its file path would be longer than 259 characters."
  ") Contacts to Contacts.vcf." "No file was written: " "No file was written: the export was stopped before the last contact."
  "Import Complete !"
  "No contacts folder has been chosen to import into."
  "Pindrel cannot start: Windows could not set up COM for it (CoInitializeEx failed with error "
  "Without COM, Pindrel can reach neither Outlook's contacts nor its vCard reader."
  "The folder dialog cannot be shown: Windows could not set up COM for it (CoInitializeEx failed with error "
  " values with no field of their own were added to the notes of their contacts."
  "1 value with no field of its own was added to the notes of its contact." "(no name)"
  # dialogs, windows, captions
  "Please select a Contacts folder" "Select folder to save vCard files" "Select Folder..."
  "Pindrel allows you to export outlook contacts to vCard file or you can import vCard file(s) to Outlook contacts."
  "I want to Export Outlook Contacts to vCard file(s)" "I want to Import vCard file(s) to Outlook Contacts"
  "Select Outlook Contacts for Export to vCard files" "Select Folder where vCard files (.vcf) are stored"
  "Proceed >>" "Export Outlook Contacts >>" "Process >>" "Process vCard Files >>"
  "vCard Export > Export Outlook Contacts to vCard" "Export to vCard"
  "One file per contact, as the mail client writes it"
  "All contacts in one file, vCard 3.0 (phones, webmail, most address books)" "All contacts in one file, vCard 4.0"
  "Number of Contacts Found : " "Processing : " "Selected PST File > " "Saving Path for vCard File > "
  "vCard Import > Import vCard Files to Outlook Contacts" "Number of vCards Found : "
  "Select Outlook Contacts folder where you need to import vCard files"
  "Import vCard to Outlook" "Processing vCard File :" "Contacts Saved :"
  "\" About\"" "Pindrel v2.0")
foreach(q IN LISTS quoted)
  string(FIND "${text}" "${q}" at)
  if(at EQUAL -1)
    fail("the manual does not quote: ${q}")
  endif()
endforeach()

# Every file of the project, and every page a link or the contents and
# index name, is there.
file(STRINGS ${MANUAL_DIR}/Manual.hhp project)
set(in_files FALSE)
foreach(line IN LISTS project)
  if(line MATCHES "^\\[")
    set(in_files FALSE)
    if(line STREQUAL "[FILES]")
      set(in_files TRUE)
    endif()
  elseif(in_files AND NOT line STREQUAL "" AND NOT EXISTS ${MANUAL_DIR}/${line})
    fail("Manual.hhp lists a missing file: ${line}")
  endif()
endforeach()
file(GLOB linking ${MANUAL_DIR}/*.htm ${MANUAL_DIR}/Manual.hhc ${MANUAL_DIR}/Manual.hhk)
foreach(page ${linking})
  file(READ ${page} content)
  string(REGEX MATCHALL "(href|value)=\"[A-Za-z0-9_]+\\.(htm|css)[^\"]*\"" links "${content}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^[a-z]+=\"([^#\"]+).*$" "\\1" target "${link}")
    if(NOT EXISTS ${MANUAL_DIR}/${target})
      fail("${page} links to a missing page: ${target}")
    endif()
  endforeach()
endforeach()

# The compiled help file: present and with the CHM signature.
if(NOT EXISTS ${CHM})
  fail("Manual.chm was not built: ${CHM}")
else()
  file(READ ${CHM} signature LIMIT 4 HEX)
  if(NOT signature STREQUAL "49545346")  # "ITSF"
    fail("Manual.chm is not a CHM file")
  endif()
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problem(s) in the manual")
endif()
message(STATUS "manual: ${failures} problems")
