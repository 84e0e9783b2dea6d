# The TLS transport's client handshake fed arbitrary bytes as the server.
quillfen_fuzz(tls_handshake_fuzz LIBS tls)
