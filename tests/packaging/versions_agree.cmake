# The project's version is the one the newest entries of the Debian changelog and the
# AppStream metadata give: a release that bumps one and forgets the other fails here.
#   cmake -DVERSION=x.y.z -DDATA=<source>/data -P versions_agree.cmake
# (READ, not STRINGS: a list would escape the entry's semicolon.)
file(READ ${DATA}/debian/changelog changelog)
if(NOT changelog MATCHES "^tarvolink \\(([^)]+)\\) [a-z-]+; urgency=[a-z]+\n")
  message(FATAL_ERROR "data/debian/changelog does not start with a Debian entry of tarvolink")
endif()
set(changelog_version ${CMAKE_MATCH_1})

file(READ ${DATA}/metainfo/org.tarvolink.tarvolink.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"([^\"]+)\" date=\"([0-9-]+)\"")
  message(FATAL_ERROR "the AppStream metadata has no <release version=... date=...>")
endif()
set(metainfo_version ${CMAKE_MATCH_1})
set(metainfo_date ${CMAKE_MATCH_2})

# The changelog's trailer line carries the same day as the release.
if(NOT changelog MATCHES "\n -- [^\n]+ <[^\n]+>  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "the changelog's newest entry has no trailer line in Debian's form")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
if(month LESS 10)
  set(month 0${month})
endif()
set(changelog_date ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})

if(NOT changelog_version STREQUAL VERSION OR NOT metainfo_version STREQUAL VERSION)
  message(FATAL_ERROR "versions differ: project ${VERSION}, data/debian/changelog "
                      "${changelog_version}, AppStream metadata ${metainfo_version}")
endif()
if(NOT changelog_date STREQUAL metainfo_date)
  message(FATAL_ERROR "${VERSION} is dated ${changelog_date} in the changelog and "
                      "${metainfo_date} in the AppStream metadata")
endif()
message(STATUS "version ${VERSION} of ${changelog_date} in the changelog and the AppStream metadata")
