# The streamed-video readers: HLS playlists, and DASH manifests with the XML
# reader under them.
target_compile_options(streams PRIVATE -fsanitize=fuzzer-no-link ${fuzz_sanitizers})
target_link_options(streams INTERFACE -fsanitize=address,undefined)
quillfen_fuzz(hls_playlist_fuzz LIBS streams)
quillfen_fuzz(dash_manifest_fuzz LIBS streams)
quillfen_fuzz(timestamp_rebase_fuzz LIBS streams)
quillfen_fuzz(xml_document_fuzz LIBS streams)
