# Re-captures the installed yt-dlp's output and checks it still has the committed
# fixtures' shape (native builds only; skipped when yt-dlp is not installed).
if(WIN32)
    return()
endif()
add_test(NAME realtool_capture
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/compare.py ${CMAKE_CURRENT_LIST_DIR})
set_tests_properties(realtool_capture PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# The relay's runner on its own, natively: a probe, a killed download and its resumption
# with the real yt-dlp that scripts/fetch-ytdlp.sh unpacks.
add_test(NAME realtool_relayd COMMAND /bin/bash ${CMAKE_CURRENT_LIST_DIR}/relayd_test.sh)
set_tests_properties(realtool_relayd PROPERTIES TIMEOUT 300)
